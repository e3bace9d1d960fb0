#!/usr/bin/env bash
# One valgrind memcheck run of an end-to-end scenario: a database check through unixODBC and
# FreeTDS to the embedded sqlsim (ops_e2e_test, one case). Passes only with zero errors and no
# definite or indirect leaks. Suppressions (scripts/valgrind.supp) cover system libraries only.
#   scripts/valgrind.sh
#   GTEST_FILTER='CheckRoutinesE2e.ChineseDatabaseName' scripts/valgrind.sh
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$top/build-release}
filter=${GTEST_FILTER:-E2e/EveryRoutine.SendsItsBatchesShowsMessagesAndCleansUp/CheckDatabase}

"$top/scripts/install-deps.sh"
command -v valgrind >/dev/null || {
    [ "$(id -u)" -eq 0 ] && as_root=() || as_root=(sudo)
    "${as_root[@]}" apt-get install -y -qq --no-install-recommends valgrind
}
[ -f "$build/CMakeCache.txt" ] || cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DTARNWICK_WERROR=OFF >/dev/null
cmake --build "$build" --target ops_e2e_test

log=$build/valgrind-ops_e2e_test.log
status=0
QT_QPA_PLATFORM=offscreen valgrind --tool=memcheck --error-exitcode=99 --leak-check=full \
    --show-leak-kinds=definite,indirect --errors-for-leak-kinds=definite,indirect \
    --track-origins=yes --num-callers=30 --suppressions="$top/scripts/valgrind.supp" \
    --log-file="$log" "$build/tests/operations/ops_e2e_test" --gtest_filter="$filter" || status=$?
grep -E 'ERROR SUMMARY|definitely lost|indirectly lost|suppressed:' "$log"
exit $status
