#!/usr/bin/env bash
# Runs lintian on the packages tarnwick and sqlsim in a folder (default build-release/, where
# scripts/package.sh puts them) and fails on any error or warning. Installs lintian when missing.
#   scripts/package-lint.sh [FOLDER]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
debs=${1:-$top/build-release}
ls "$debs"/tarnwick_*.deb "$debs"/sqlsim_*.deb >/dev/null || { echo "no packages in $debs: run scripts/package.sh first"; exit 2; }
command -v lintian >/dev/null || "$top/scripts/install-deps.sh" lintian
echo "lintian $(lintian --version | awk '{print $2}') on:" "$debs"/tarnwick_*.deb "$debs"/sqlsim_*.deb
# Informational notes (I:) are shown but do not fail; an error or a warning does.
lintian --display-info --fail-on error,warning "$debs"/tarnwick_*.deb "$debs"/sqlsim_*.deb
echo "lintian: no errors, no warnings"
