#!/bin/bash
# Throughput of sqlsim as FreeTDS's bsqldb sees it: 100,000 rows of a 100-character column.
# Prints the time of each run and PASS/FAIL against the 1-second limit (median of the measured runs,
# after one unmeasured warm-up run). Exit status 0 on PASS.
#
#   bench/bsqldb-throughput.sh                 # builds a Release sqlsim in build-bench/ first
#   SQLSIM=/path/to/sqlsim bench/bsqldb-throughput.sh
#   RUNS=5 LIMIT=1.0 bench/bsqldb-throughput.sh
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
repo=$(dirname "$here")
runs=${RUNS:-3}
limit=${LIMIT:-1.0}
expected_rows=100000

if [[ -z "${SQLSIM:-}" ]]; then
    build=${BUILD_DIR:-$repo/build-bench}
    cmake -S "$repo" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTARNWICK_WERROR=OFF >/dev/null
    cmake --build "$build" --target sqlsim -j2 >/dev/null
    SQLSIM=$build/sqlsim/sqlsim
fi
command -v bsqldb >/dev/null || { echo "bsqldb is not installed (freetds-bin)"; exit 2; }

work=$(mktemp -d)
sim_pid=
cleanup() {
    if [[ -n "$sim_pid" ]]; then kill -TERM "$sim_pid" 2>/dev/null || true; wait "$sim_pid" 2>/dev/null || true; fi
    rm -rf "$work"
}
trap cleanup EXIT

"$SQLSIM" --scenario "$here/bsqldb-throughput.json" --port 0 >"$work/sqlsim.out" 2>&1 &
sim_pid=$!
port=
for _ in $(seq 100); do
    port=$(sed -n 's/^sqlsim: listening on 127\.0\.0\.1:\([0-9]*\)$/\1/p' "$work/sqlsim.out")
    [[ -n "$port" ]] && break
    sleep 0.05
done
[[ -n "$port" ]] || { echo "sqlsim did not start:"; cat "$work/sqlsim.out"; exit 2; }

echo 'select payload from bench..payloads' >"$work/query.sql"
read_rows() {
    TDSVER=7.1 bsqldb -q -S "127.0.0.1:$port" -U sa -P bench -i "$work/query.sql" | wc -l
}

rows=$(read_rows)  # warm-up
if [[ "$rows" != "$expected_rows" ]]; then
    echo "FAIL: bsqldb read $rows rows, expected $expected_rows"
    exit 1
fi

times=()
for run in $(seq "$runs"); do
    start=$(date +%s.%N)
    rows=$(read_rows)
    end=$(date +%s.%N)
    t=$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f", b - a }')
    printf 'run %d: %d rows in %.3f s\n' "$run" "$rows" "$t"
    [[ "$rows" == "$expected_rows" ]] || { echo "FAIL: run $run read $rows rows"; exit 1; }
    times+=("$t")
done
median=$(printf '%s\n' "${times[@]}" | sort -n | sed -n "$(( (runs + 1) / 2 ))p")
if awk -v m="$median" -v l="$limit" 'BEGIN { exit !(m < l) }'; then
    printf 'PASS: median %.3f s for %d rows (limit %s s)\n' "$median" "$expected_rows" "$limit"
else
    printf 'FAIL: median %.3f s for %d rows (limit %s s)\n' "$median" "$expected_rows" "$limit"
    exit 1
fi
