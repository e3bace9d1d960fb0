#!/usr/bin/env bash
# The manual pages made by the build: each renders with man -l without a warning, and lists
# exactly the options its program's --help lists.
#   man-pages-test.sh MAN_DIR PROGRAM...
set -uo pipefail
man_dir=$1
shift
failures=0
# The options a text describes: those that open a line of it (the option lists' entries).
options() { grep -oE -- '^ +-{1,2}[a-z][a-z-]*' | tr -d ' ' | sort -u; }
for program in "$@"; do
    name=$(basename "$program")
    page=$man_dir/$name.1
    rendered=$(LC_ALL=C MANWIDTH=100 man --warnings=w -l "$page" 2>"$man_dir/$name.warnings")
    if [ -s "$man_dir/$name.warnings" ] || [ -z "$rendered" ]; then
        echo "FAIL: $name(1) does not render cleanly:"; cat "$man_dir/$name.warnings"
        failures=$((failures + 1))
    fi
    help=$(QT_QPA_PLATFORM=offscreen "$program" --help | options)
    # The page's option entries; its examples are command lines, not entries.
    page_options=$(printf '%s\n' "$rendered" | sed '/^EXAMPLES/,/^[A-Z]/{/^[A-Z]/!d}' | options)
    if [ "$help" != "$page_options" ]; then
        echo "FAIL: $name(1) options differ from $name --help:"
        diff <(printf '%s\n' "$help") <(printf '%s\n' "$page_options")
        failures=$((failures + 1))
    fi
done
[ "$failures" -eq 0 ] && echo "every page renders and lists its program's options"
exit "$((failures > 0))"
