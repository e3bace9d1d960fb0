#!/usr/bin/env bash
# Fails when an include runs from a lower layer of the program to a higher one, or names a project
# header without its folder. Layers, bottom to top: toolkit/; connection/; operations/ and
# connection/login/ (side by side, neither includes the other); attach/; mainwindow/ and cli/
# (side by side at the top).
set -euo pipefail
cd "$(dirname "$0")/.."

layer_of() {
  case "$1" in
    toolkit/*) echo "0 toolkit" ;;
    connection/login/*) echo "2 login" ;;
    connection/*) echo "1 connection" ;;
    operations/*) echo "2 operations" ;;
    attach/*) echo "3 attach" ;;
    mainwindow/*) echo "4 mainwindow" ;;
    cli/*) echo "4 cli" ;;
    *) echo "" ;;
  esac
}

status=0
while IFS= read -r file; do
  read -r rank name <<<"$(layer_of "$file")"
  while IFS= read -r included; do
    if [[ "$included" != */* ]]; then
      echo "$file: include \"$included\" without its folder"
      status=1
      continue
    fi
    target=$(layer_of "$included")
    if [ -z "$target" ]; then
      echo "$file: includes \"$included\", outside the program's layers"
      status=1
      continue
    fi
    read -r trank tname <<<"$target"
    if [ "$trank" -gt "$rank" ] || { [ "$trank" -eq "$rank" ] && [ "$tname" != "$name" ]; }; then
      echo "$file: includes \"$included\" from a higher layer ($tname above $name)"
      status=1
    fi
  done < <(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1/p' "$file")
done < <(git ls-files 'toolkit/*' 'connection/*' 'operations/*' 'attach/*' 'mainwindow/*' 'cli/*' | grep -E '\.(cpp|h)$')
exit $status
