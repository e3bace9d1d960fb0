#!/usr/bin/env bash
# Renders the login window, the main window and the two attach windows (with and without their
# wait panels) to PNG files,
# under a virtual X server when one is available and with the offscreen platform otherwise.
# No server is needed: the main window is filled with sample databases.
# Usage: scripts/screenshots.sh [output folder] [build folder]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$top/build/screenshots}
build=${2:-$top/build}

if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
fi
cmake --build "$build" --target tarnwick_screenshots tarnwick_attach_screenshots
programs=("$build/tools/screenshots/tarnwick_screenshots" "$build/tools/screenshots/tarnwick_attach_screenshots")
mkdir -p "$out"

for program in "${programs[@]}"; do
  if command -v xvfb-run >/dev/null 2>&1; then
    QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1280x800x24 -dpi 96" "$program" "$out"
  else
    QT_QPA_PLATFORM=offscreen "$program" "$out"
  fi
done
ls -l "$out"/*.png
