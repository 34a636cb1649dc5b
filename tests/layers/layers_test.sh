#!/usr/bin/env bash
# The tool windows reach the Qt desktop's export only through gui/: no file
# under explore/ includes a header of platform/qt/.
# Usage: layers_test.sh SOURCE_ROOT
set -uo pipefail
root="$1"

if [ ! -d "$root/explore" ]; then
    echo "no explore/ folder under $root" >&2
    exit 2
fi
# Any include of platform/qt/, quoted or angled, with or without spaces.
found="$(grep -rnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*["<]platform/qt/' "$root/explore")"
if [ -n "$found" ]; then
    echo "explore/ must not include platform/qt/ (use gui/):" >&2
    echo "$found" >&2
    exit 1
fi
exit 0
