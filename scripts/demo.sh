#!/usr/bin/env bash
# Installs what is needed, builds the three programs it runs (tarnwick, tarnwick-cli, sqlsim; the
# tests and benchmarks are left to scripts/test.sh, which builds them in the same build/ folder
# with the same settings), starts sqlsim with a scenario on 127.0.0.1:1433 and opens Tarnwick
# against it. Log in with the defaults: server "(local)", empty sa password.
#   SQLSIM_SCENARIO=demo (default) or sql70 (the SQL Server 7.0 server), or a path to a scenario file.
#   SQLSIM_PORT=1433 (default).
#   SQLSIM_DBCC_PAGES_PER_SECOND=5000 (default): how fast DBCC works, so that a CHECKDB of
#   Warehouse (18,000 pages) takes a few seconds and can be cancelled; 0 answers at once.
# Without a display, tarnwick-cli shows the same operations on the terminal instead: the database
# list, then CHECKDB on DEMO_CHECK_DATABASE (default Warehouse, the demo's database with findings).
# TARNWICK_DEMO_XVFB=1 runs the window under a virtual X server (xvfb-run) instead.
# The server's files are stored under build/demo-files/<scenario>/, fresh on every start; Tarnwick
# sees only the server's own paths: browse to C:\Attach\ in the attach window, or type
# C:\Attach\Archive2004_Data.MDF in the browser's path box.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
echo "demo: checking that the build tools and libraries are installed..."
"$top/scripts/install-deps.sh"
echo "demo: building tarnwick, tarnwick-cli and sqlsim in build/ (about 120 steps, a few minutes"
echo "demo: from a fresh clone on two cores; the tests and benchmarks are left to scripts/test.sh)"
# The settings of scripts/test.sh, so that it goes on from this build instead of starting again.
BUILD_TARGETS="tarnwick tarnwick-cli sqlsim" "$top/scripts/build.sh" "$top/build" -DTARNWICK_WERROR=ON
echo "demo: built; starting sqlsim"

scenario=${SQLSIM_SCENARIO:-demo}
case "$scenario" in
  */* | *.json) scenario_file=$scenario ;;
  *) scenario_file="$top/sqlsim/scenarios/$scenario.json" ;;
esac
files="$top/build/demo-files/$(basename "$scenario_file" .json)"
rm -rf "$files"

port=${SQLSIM_PORT:-1433}
"$top/build/sqlsim/sqlsim" --scenario "$scenario_file" --port "$port" --files "$files" \
  --journal "$top/build/demo-journal.jsonl" \
  --dbcc-pages-per-second "${SQLSIM_DBCC_PAGES_PER_SECOND:-5000}" &
sqlsim_pid=$!
trap 'kill $sqlsim_pid 2>/dev/null || true' EXIT
sleep 0.5
echo "Detached databases to attach, on the server's disk: C:\\Attach\\*.MDF (stored in $files)"

run_cli_demo() {
  local server="(local)" database=${DEMO_CHECK_DATABASE:-Warehouse} status=0
  [ "$port" = 1433 ] || server="(local),$port"
  echo "No display found: showing Tarnwick's operations with tarnwick-cli instead of a window."
  echo
  echo "\$ tarnwick-cli --server '$server' databases"
  TARNWICK_PASSWORD= "$top/build/cli/tarnwick-cli" --server "$server" databases || true
  echo
  echo "\$ tarnwick-cli --server '$server' run CHECKDB '$database'"
  TARNWICK_PASSWORD= "$top/build/cli/tarnwick-cli" --server "$server" run CHECKDB "$database" ||
    status=$?
  echo
  echo "(exit status $status: 0 no errors, 1 DBCC found errors, 2 the operation failed, 3 login failed)"
  echo "To see the window, run scripts/demo.sh from a desktop session, or scripts/screenshots.sh to"
  echo "render every window to PNG files; TARNWICK_DEMO_XVFB=1 scripts/demo.sh runs it under xvfb-run."
}

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  "$top/build/mainwindow/tarnwick"
elif [ "${TARNWICK_DEMO_XVFB:-}" = 1 ]; then
  echo "No display found: running Tarnwick under a virtual X server (xvfb-run)."
  xvfb-run -a -s "-screen 0 1600x1000x24" "$top/build/mainwindow/tarnwick"
else
  run_cli_demo
fi
