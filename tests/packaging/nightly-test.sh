#!/usr/bin/env bash
# The nightly-check examples: the systemd units pass systemd-analyze verify (when it is there), and
# tarnwick-nightly, run as cron or the service would, checks every database of a sqlsim, logs the
# text, mails it on findings or failures and refuses a password file others can read.
#   nightly-test.sh EXAMPLES_DIR CLI_DIR SQLSIM SCENARIO
set -uo pipefail
examples=$1 cli_dir=$2 sqlsim=$3 scenario=$4
tmp=$(mktemp -d) && trap 'kill "$sim" 2>/dev/null; rm -rf "$tmp"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

if command -v systemd-analyze >/dev/null; then
    # A root holding the units, the script where ExecStart looks for it, and the system's units.
    root=$tmp/root
    mkdir -p "$root/usr/local/bin" "$root/etc/systemd/system" "$root/usr/lib/systemd"
    cp -a /usr/lib/systemd/system "$root/usr/lib/systemd/"
    ln -s usr/lib "$root/lib"
    install -m 755 "$examples/tarnwick-nightly" "$root/usr/local/bin/"
    cp "$examples/tarnwick-nightly.service" "$examples/tarnwick-nightly.timer" "$root/etc/systemd/system/"
    # Only what it says about these units counts (a container's own units may draw remarks).
    verify=$(systemd-analyze verify --man=no --root="$root" \
        "$root/etc/systemd/system/tarnwick-nightly.service" \
        "$root/etc/systemd/system/tarnwick-nightly.timer" 2>&1)
    status=$?
    remarks=$(printf '%s\n' "$verify" | grep tarnwick-nightly)
    if [ "$status" != 0 ] || [ -n "$remarks" ]; then
        fail "systemd-analyze verify ($status): $verify"
    fi
else
    echo "systemd-analyze not found: the units are not verified"
fi

"$sqlsim" --scenario "$scenario" --port 0 >"$tmp/sqlsim.out" 2>&1 &
sim=$!
for _ in $(seq 100); do grep -q listening "$tmp/sqlsim.out" && break; sleep 0.05; done
port=$(sed -n 's/.*127\.0\.0\.1:\([0-9]*\).*/\1/p' "$tmp/sqlsim.out")
[ -n "$port" ] || { echo "sqlsim did not start"; exit 1; }

# A mail command that keeps what it was given.
mkdir "$tmp/bin"
printf '#!/bin/sh\nprintf "%%s\\n" "$@" >"%s/mail.args"\ncat >"%s/mail.body"\n' "$tmp" "$tmp" >"$tmp/bin/mail"
chmod 755 "$tmp/bin/mail"
export PATH="$tmp/bin:$cli_dir:$PATH"
printf '\n' >"$tmp/pw"
cat >"$tmp/nightly.conf" <<CONF
TARNWICK_SERVER='(local),$port'
TARNWICK_PASSWORD_FILE=$tmp/pw
TARNWICK_MAILTO=dba@example.com
CONF

chmod 644 "$tmp/pw"
sh "$examples/tarnwick-nightly" "$tmp/nightly.conf" >"$tmp/out" 2>"$tmp/err"
status=$?
[ "$status" = 2 ] || fail "a password file others can read: exit $status, not 2"
grep -q "can be read by others (mode 644)" "$tmp/err" || fail "no word of the readable password file"
[ -e "$tmp/mail.args" ] && fail "a mail was sent without a run"

chmod 600 "$tmp/pw"
sh "$examples/tarnwick-nightly" "$tmp/nightly.conf" >"$tmp/out" 2>"$tmp/err"
status=$?
# HR Archive's name breaks the statement (2), Warehouse has findings: the worst is 2.
[ "$status" = 2 ] || fail "the demo's check: exit $status, not 2"
for line in "==> HR Archive <==" "==> Warehouse <==" "==> 销售数据 <==" "failed	HR Archive" \
    "findings	Warehouse"; do
    grep -qxF "$line" "$tmp/out" || fail "the log lacks the line \"$line\""
done
grep -q $'\r' "$tmp/out" && fail "the log holds carriage returns"
[ "$(cat "$tmp/mail.args" 2>/dev/null)" = "-s
tarnwick: CHECKDB failed on (local),$port
dba@example.com" ] || fail "the mail's arguments: $(cat "$tmp/mail.args" 2>/dev/null)"
cmp -s "$tmp/out" "$tmp/mail.body" || fail "the mail's text is not the logged text"

# Without TARNWICK_MAILTO the findings are logged only.
rm -f "$tmp/mail.args"
sed -i 's/^TARNWICK_MAILTO=.*/TARNWICK_MAILTO=/' "$tmp/nightly.conf"
sh "$examples/tarnwick-nightly" "$tmp/nightly.conf" >"$tmp/out" 2>"$tmp/err"
[ -e "$tmp/mail.args" ] && fail "a mail was sent without TARNWICK_MAILTO"
grep -qxF "==> Warehouse <==" "$tmp/out" || fail "nothing logged without TARNWICK_MAILTO"

[ "$failures" -eq 0 ] && echo "the nightly check runs, logs and mails as documented"
exit "$((failures > 0))"
