#!/usr/bin/env bash
# Installs what is needed, builds, and runs every test: the normal build (GCC), then the same tests
# in an AddressSanitizer/UndefinedBehaviorSanitizer build made with clang, so both compilers build
# the whole tree with warnings as errors.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/install-deps.sh"

"$top/scripts/build.sh" "$top/build" -DTARNWICK_WERROR=ON
(cd "$top/build" && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j 2)

if [ "${TARNWICK_SKIP_SANITIZERS:-0}" != 1 ]; then
  "$top/scripts/build.sh" "$top/build-clang-asan" -DTARNWICK_WERROR=ON -DENABLE_SANITIZERS=ON -DCMAKE_BUILD_TYPE=Debug \
    -DCMAKE_CXX_COMPILER=clang++
  (cd "$top/build-clang-asan" && QT_QPA_PLATFORM=offscreen \
    ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest --output-on-failure -j 2)
fi
