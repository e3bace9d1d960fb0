#!/usr/bin/env bash
# One valgrind memcheck run of an end-to-end scenario: a database check of a database with a
# Chinese name through unixODBC and FreeTDS to the embedded sqlsim, on a Chinese and a Western
# server collation (ops_e2e_test, the collation run transcripts). Passes only with zero errors
# and no definite or indirect leaks. Suppressions (scripts/valgrind.supp) cover system libraries
# only.
#   scripts/valgrind.sh
#   TEST=ops_e2e_test GTEST_FILTER='*RunTranscripts*checks' scripts/valgrind.sh
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$top/build-release}
test=${TEST:-ops_e2e_test}
filter=${GTEST_FILTER:-*RunTranscripts*collation_*}

"$top/scripts/install-deps.sh"
command -v valgrind >/dev/null || {
    [ "$(id -u)" -eq 0 ] && as_root=() || as_root=(sudo)
    "${as_root[@]}" apt-get install -y -qq --no-install-recommends valgrind
}
cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTARNWICK_WERROR=OFF \
    -DBUILD_TESTING=ON >/dev/null
cmake --build "$build" --target "$test"

log=$build/valgrind-$test.log
status=0
# Qt compiles regular expressions to machine code (PCRE2's JIT), which memcheck cannot follow; the
# interpreter gives the same matches.
QT_ENABLE_REGEXP_JIT=0 QT_QPA_PLATFORM=offscreen valgrind --tool=memcheck --error-exitcode=99 --leak-check=full \
    --show-leak-kinds=definite,indirect --errors-for-leak-kinds=definite,indirect \
    --track-origins=yes --num-callers=30 --suppressions="$top/scripts/valgrind.supp" \
    --log-file="$log" "$(find "$build/tests" -name "$test" -type f -executable | head -1)" --gtest_filter="$filter" || status=$?
grep -E 'ERROR SUMMARY|definitely lost|indirectly lost|suppressed:' "$log"
exit $status
