#!/usr/bin/env bash
# Runs lintian on the Debian packages from build-release/ (scripts/package.sh), then installs them
# on a fresh Debian 12 root made with debootstrap in build-chroot/root, starts sqlsim with the demo
# scenario and Tarnwick from it on an Xvfb display of this machine, logs in through the login window
# and saves screenshots: build-chroot/tarnwick-login.png and build-chroot/tarnwick-main.png. Needs
# root.
#   scripts/package-check.sh               # FRESH=1 removes an earlier root first
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
debs=${DEB_DIR:-$top/build-release}
out=$top/build-chroot
root=$out/root
display=:${DISPLAY_NUMBER:-97}
port=14333

[ "$(id -u)" -eq 0 ] || { echo "package-check.sh needs root (debootstrap, chroot)"; exit 2; }
ls "$debs"/tarnwick_*.deb "$debs"/sqlsim_*.deb >/dev/null || { echo "run scripts/package.sh first"; exit 2; }
"$top/scripts/package-lint.sh" "$debs"
missing=()
for tool in debootstrap:debootstrap Xvfb:xvfb import:imagemagick xdotool:xdotool; do
    command -v "${tool%%:*}" >/dev/null || missing+=("${tool#*:}")
done
[ ${#missing[@]} -eq 0 ] || DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"

[ "${FRESH:-0}" = 1 ] && rm -rf "$root"
if [ ! -x "$root/bin/bash" ]; then
    mkdir -p "$out"
    debootstrap --variant=minbase bookworm "$root" http://deb.debian.org/debian
fi

pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
    umount "$root/tmp/.X11-unix" 2>/dev/null || true
    umount "$root/proc" 2>/dev/null || true
}
trap cleanup EXIT

cp /etc/resolv.conf "$root/etc/resolv.conf"
mount -t proc proc "$root/proc"
mkdir -p "$root/tmp/debs" "$root/tmp/.X11-unix"
cp "$debs"/tarnwick_*.deb "$debs"/sqlsim_*.deb "$root/tmp/debs/"
chroot "$root" apt-get update -qq
chroot "$root" sh -c 'DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
    /tmp/debs/tarnwick_*.deb /tmp/debs/sqlsim_*.deb' 
chroot "$root" dpkg -s tarnwick sqlsim | grep -E '^(Package|Version|Depends):'
chroot "$root" dpkg -L tarnwick | grep -E 'bin/|\.desktop|\.png|man1/|completions/'
chroot "$root" sh -c 'MANWIDTH=100 man tarnwick-cli 2>&1 | head -5' || true

Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp &
pids+=($!)
for _ in $(seq 50); do [ -S "/tmp/.X11-unix/X${display#:}" ] && break; sleep 0.1; done
mount --bind /tmp/.X11-unix "$root/tmp/.X11-unix"

chroot "$root" sqlsim --scenario /usr/share/sqlsim/demo.json --port "$port" >"$out/sqlsim.log" 2>&1 &
pids+=($!)
chroot "$root" env DISPLAY="$display" HOME=/root LANG=C.UTF-8 tarnwick >"$out/tarnwick.log" 2>&1 &
tarnwick_pid=$!
pids+=("$tarnwick_pid")

sleep 4
kill -0 "$tarnwick_pid" || { echo "tarnwick ended at start:"; cat "$out/tarnwick.log"; exit 1; }
DISPLAY=$display import -window root "$out/tarnwick-login.png"
# Type the demo server into the focused server box and press Enter (OK); the password is empty.
window=$(DISPLAY=$display xdotool search --onlyvisible --class tarnwick | tail -1)
DISPLAY=$display xdotool windowfocus --sync "$window"
DISPLAY=$display xdotool key ctrl+a type "(local),$port"
DISPLAY=$display xdotool key Return
sleep 3
DISPLAY=$display import -window root "$out/tarnwick-main.png"
kill -0 "$tarnwick_pid" || { echo "tarnwick ended:"; cat "$out/tarnwick.log"; exit 1; }
echo "screenshots: $out/tarnwick-login.png $out/tarnwick-main.png"
