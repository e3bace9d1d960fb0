#!/usr/bin/env bash
# Installs what is needed, builds, starts sqlsim with the demo scenario on 127.0.0.1:1433 and opens
# Tarnwick against it. Log in with the defaults: server "(local)", empty sa password.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/install-deps.sh"
"$top/scripts/build.sh" "$top/build"

port=${SQLSIM_PORT:-1433}
"$top/build/sqlsim/sqlsim" --scenario "$top/sqlsim/scenarios/demo.json" --port "$port" \
  --journal "$top/build/demo-journal.jsonl" &
sqlsim_pid=$!
trap 'kill $sqlsim_pid 2>/dev/null || true' EXIT
sleep 0.5

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display found: running Tarnwick under a virtual X server (xvfb-run)."
  xvfb-run -a -s "-screen 0 1600x1000x24" "$top/build/mainwindow/tarnwick"
else
  "$top/build/mainwindow/tarnwick"
fi
