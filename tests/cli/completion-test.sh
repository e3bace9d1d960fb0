#!/usr/bin/env bash
# The bash completion of tarnwick-cli, run by bash as the shell runs it: COMP_WORDS and COMP_CWORD
# set, the function called, COMPREPLY compared. Database names come from a sqlsim serving the demo
# on a free loopback port.
#   completion-test.sh COMPLETION_SCRIPT CLI_DIR SQLSIM SCENARIO
set -uo pipefail
completion=$1 cli_dir=$2 sqlsim=$3 scenario=$4
export PATH="$cli_dir:$PATH" LANG=C.UTF-8
unset TARNWICK_PASSWORD
# shellcheck source=/dev/null
source "$completion"

folder=$(mktemp -d) && trap 'kill "$sim" 2>/dev/null; rm -rf "$folder"' EXIT
"$sqlsim" --scenario "$scenario" --port 0 >"$folder/sqlsim.out" 2>&1 &
sim=$!
for _ in $(seq 100); do grep -q listening "$folder/sqlsim.out" && break; sleep 0.05; done
port=$(sed -n 's/.*127\.0\.0\.1:\([0-9]*\).*/\1/p' "$folder/sqlsim.out")
[ -n "$port" ] || { echo "sqlsim did not start"; cat "$folder/sqlsim.out"; exit 1; }
printf '\n' >"$folder/pw"
touch "$folder/Sales.MDF" "$folder/Sales Log.LDF"

failures=0
# expect "WORDS (the last one is being completed)" "EXPECTED REPLIES, one per line"
expect() {
    local line=$1 want=$2 got
    eval "COMP_WORDS=($line)"
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMPREPLY=()
    _tarnwick_cli
    got=$(printf '%s\n' "${COMPREPLY[@]}" | sort)
    want=$(printf '%s\n' "$want" | sort)
    if [ "$got" != "$want" ]; then
        failures=$((failures + 1))
        printf 'FAIL: %s\n  expected: %s\n  got:      %s\n' "$line" "${want//$'\n'/ | }" \
            "${got//$'\n'/ | }"
    fi
}

server="\"'(local),$port'\""
expect "tarnwick-cli ''" $'attach\nattach7\ndatabases\nhistory\noperations\nrun'
expect "tarnwick-cli a" $'attach\nattach7'
# The keys as tarnwick-cli operations lists them.
expect "tarnwick-cli run CH" $'CHECKALLOC\nCHECKCATALOG\nCHECKDB\nCHECKDBWITHPHYSICAL_ONLY\nCHECKEACHTABLE'
expect "tarnwick-cli --json run REP" $'REPCOL\nREPDB\nREPINDEX\nREPOBJ'
# The options as --help lists them, those added later included.
expect "tarnwick-cli --pass" $'--password-file\n--password-stdin'
expect "tarnwick-cli run CHECKDB --all" '--all-databases'
# The server's databases, quoted for the shell; the password file as given on the line.
expect "tarnwick-cli --server $server run CHECKDB ''" \
    $'Accounting\nHR\\ Archive\nPayroll2005\nWarehouse\n销售数据\n顾客资料'
expect "tarnwick-cli --server $server --password-file $folder/pw run CHECKDB H" 'HR\ Archive'
expect "tarnwick-cli --server = $server run CHECKDB W" 'Warehouse'
# No server on the line, every database already run, a password to be typed: nothing is asked.
expect "tarnwick-cli run CHECKDB ''" ''
expect "tarnwick-cli --server $server run CHECKDB --all-databases ''" ''
expect "tarnwick-cli --server $server --password-stdin run CHECKDB ''" ''
expect "tarnwick-cli --server $server run CHECKDB Warehouse ''" ''
# Local files for the password file only: attach paths are the server's.
expect "tarnwick-cli --password-file $folder/S" "$folder/Sales Log.LDF"$'\n'"$folder/Sales.MDF"
expect "tarnwick-cli attach $folder/S" ''
expect "tarnwick-cli attach7 x --log $folder/Sales\\ L" ''
expect "tarnwick-cli --server ''" ''

[ "$failures" -eq 0 ] && echo "all completions as expected"
exit "$((failures > 0))"
