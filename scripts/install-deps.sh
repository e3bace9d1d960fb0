#!/usr/bin/env bash
# Installs what Tarnwick needs to build, run and test, from Debian 12's own packages, and the
# packages named as arguments (what one script alone needs). Works as root and through sudo.
#   scripts/install-deps.sh [PACKAGE...]
set -euo pipefail

packages=(
  build-essential cmake ninja-build ccache pkg-config clang clang-format
  qt6-base-dev qt6-base-dev-tools libgl1-mesa-dev qt6-translations-l10n
  unixodbc unixodbc-dev tdsodbc
  libgtest-dev googletest
  fonts-arphic-uming
  freetds-bin python3 python3-tds
  help2man
  xvfb xauth
)
packages+=("$@")

if [ "$(id -u)" -eq 0 ]; then
  as_root=()
else
  as_root=(sudo)
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  "${as_root[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
