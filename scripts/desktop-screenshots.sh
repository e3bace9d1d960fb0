#!/usr/bin/env bash
# Screenshots of the real main window on a virtual X server, as a user sees it: logged in to the
# demo server through the login window by simulated keys, at 1600 x 1000, 1024 x 768 and a scale
# factor of 2, each with a window manager (openbox) and without one.
# Usage: scripts/desktop-screenshots.sh [output folder] [build folder]
#   DISPLAY_NUMBER=99 (default) and SQLSIM_PORT=14339 (default) choose the X display and the port.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$top/build/desktop-screenshots}
build=${2:-$top/build}
display=:${DISPLAY_NUMBER:-99}
port=${SQLSIM_PORT:-14339}
"$top/scripts/install-deps.sh" openbox xdotool imagemagick
mkdir -p "$out"

"$build/sqlsim/sqlsim" --scenario "$top/sqlsim/scenarios/demo.json" --port "$port" >/dev/null &
sqlsim_pid=$!
trap 'kill $sqlsim_pid 2>/dev/null || true' EXIT
sleep 1

shoot() {  # name size window-manager(0/1) scale
  local name=$1 size=$2 wm=$3 scale=$4 x_pid wm_pid="" app_pid login
  Xvfb "$display" -screen 0 "${size}x24" -dpi 96 -nolisten tcp >/dev/null 2>&1 &
  x_pid=$!
  sleep 1
  if [ "$wm" = 1 ]; then DISPLAY=$display openbox >/dev/null 2>&1 & wm_pid=$!; sleep 1; fi
  DISPLAY=$display QT_QPA_PLATFORM=xcb QT_SCALE_FACTOR=$scale "$build/mainwindow/tarnwick" \
    >/dev/null 2>&1 &
  app_pid=$!
  sleep 3
  login=$(DISPLAY=$display xdotool search --name "登陆服务器" | head -1)
  DISPLAY=$display xdotool windowfocus "$login"
  sleep 0.3
  DISPLAY=$display xdotool key ctrl+a type "(local),$port"
  DISPLAY=$display xdotool key Return
  sleep 3
  DISPLAY=$display import -window root "$out/$name.png"
  kill "$app_pid"
  [ -n "$wm_pid" ] && kill "$wm_pid"
  sleep 0.5
  kill "$x_pid"
  wait "$app_pid" "$x_pid" 2>/dev/null || true
  echo "wrote $out/$name.png"
}

for wm in 0 1; do
  suffix=$([ "$wm" = 1 ] && echo openbox || echo no-wm)
  shoot "main-1600x1000-$suffix" 1600x1000 "$wm" 1
  shoot "main-1024x768-$suffix" 1024x768 "$wm" 1
  shoot "main-1600x1000-scale2-$suffix" 1600x1000 "$wm" 2
done
