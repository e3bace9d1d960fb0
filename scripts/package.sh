#!/usr/bin/env bash
# Builds the Debian packages tarnwick and sqlsim (Release, without the tests) into build-release/
# (shared with bench/run, which turns the tests back on there): the programs, their manual pages
# (help2man) and the changelog, then cpack.
#   scripts/package.sh                      # then: sudo apt install ./build-release/*.deb
#   scripts/package-lint.sh                 # lintian on both packages
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$top/build-release}
"$top/scripts/install-deps.sh" dpkg-dev
rm -f "$build"/tarnwick_*.deb "$build"/sqlsim_*.deb
cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF
cmake --build "$build" --target tarnwick tarnwick-cli sqlsim man package-changelog -j "$(nproc)"
(cd "$build" && cpack -G DEB)
ls -1 "$build"/*.deb
