#!/usr/bin/env bash
# The desktop's files for sessions: the desktop entry validates and opens
# application/x-corvane-session with a file (%f); the shared-mime-info XML is
# well formed and, read by update-mime-database, gives the type the glob
# *.corvane and Corvane's icon; update-desktop-database makes Corvane the
# type's application.
# Usage: desktop_test.sh DATA_DIR (the source tree's data/)
set -uo pipefail
data="$1"
app=org.corvane.Corvane
type=application/x-corvane-session

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

for tool in desktop-file-validate xmllint update-mime-database update-desktop-database; do
    if ! command -v "$tool" >/dev/null; then
        [[ "${CI:-}" == true ]] && fail "$tool is needed under CI"
        echo "SKIP: $tool is not installed (Debian packages desktop-file-utils, libxml2-utils," \
            "shared-mime-info)"
        exit 77
    fi
done

desktop-file-validate "$data/$app.desktop" || fail "the desktop entry does not validate"
grep -qx "MimeType=$type;" "$data/$app.desktop" || fail "the desktop entry does not list $type"
grep -Eqx 'Exec=corvane %f' "$data/$app.desktop" || fail "the desktop entry does not take a file"
grep -q "<mediatype>$type</mediatype>" "$data/$app.metainfo.xml" ||
    fail "the AppStream metadata does not name $type"

xmllint --noout "$data/$app.xml" || fail "$app.xml is not well-formed XML"
# The schema, where the system has one.
for schema in /usr/share/shared-mime-info/shared-mime-info.rng \
    /usr/share/xml/shared-mime-info/shared-mime-info.rng; do
    if [[ -f $schema ]]; then
        xmllint --noout --relaxng "$schema" "$data/$app.xml" || fail "$app.xml breaks $schema"
        echo "valid against $schema"
    fi
done

tree="$(mktemp -d)"
trap 'rm -rf "$tree"' EXIT
mkdir -p "$tree/mime/packages" "$tree/applications"
cp "$data/$app.xml" "$tree/mime/packages/"
# The tree in the search path, so that update-mime-database says nothing
# but what is wrong with the XML.
XDG_DATA_DIRS="$tree" update-mime-database "$tree/mime" >"$tree/mime-errors" 2>&1 ||
    fail "update-mime-database failed"
[[ -s $tree/mime-errors ]] && { cat "$tree/mime-errors" >&2; fail "update-mime-database complains"; }
grep -q "^50:$type:\*\.corvane$" "$tree/mime/globs2" || fail "no glob *.corvane for $type"
grep -qx "$type:$app" "$tree/mime/icons" || fail "$type does not show Corvane's icon"
[[ -f $tree/mime/${type}.xml ]] || fail "update-mime-database made no entry for $type"

cp "$data/$app.desktop" "$tree/applications/"
update-desktop-database "$tree/applications" || fail "update-desktop-database failed"
grep -qx "$type=$app.desktop;" "$tree/applications/mimeinfo.cache" ||
    fail "Corvane is not the application of $type"
echo "the desktop entry and the session type are valid and belong together"
