#!/usr/bin/env bash
# Configures and builds Tarnwick. Usage: scripts/build.sh [build-dir] [extra cmake args...]
# BUILD_TARGETS="a b" builds only those targets (and what they need) instead of everything.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$top/build}
shift || true
cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
# shellcheck disable=SC2086 # the target list is split into its names
cmake --build "$build" -j "$(nproc)" ${BUILD_TARGETS:+--target $BUILD_TARGETS}
