#!/usr/bin/env bash
# CI: the Debian package. Builds build/ as ./test.sh does (with the CMake
# options in CORVANE_CMAKE_ARGS, so that its build finds nothing left), makes
# the package with CPack, checks the desktop entry, the AppStream metadata, the
# icons, the manual page and the package (lintian), installs it with apt, runs
# the installed program, removes it and checks that nothing of it is left.
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/setup.sh
corvane_install_packages "${CORVANE_PACKAGES[@]}" dpkg-dev desktop-file-utils appstream lintian \
    man-db file xvfb xdotool xdg-utils libfile-mimeinfo-perl

sudo=()
if [[ $(id -u) -ne 0 ]]; then
    sudo=(sudo)
fi
times=()
current=""
part() {
    [[ -n $current ]] && times+=("$(printf '%-30s %4d s' "$current" $((SECONDS - part_start)))")
    current="$1"
    part_start=$SECONDS
    [[ -n $current ]] && echo "--- $current"
    return 0
}
fail() {
    echo "FAIL: $*" >&2
    exit 1
}

part "build build/"
read -r -a cmake_args <<<"${CORVANE_CMAKE_ARGS:-}"
corvane_build "${cmake_args[@]}"

part "cpack -G DEB"
rm -f build/corvane_*.deb
(cd build && cpack -G DEB >/dev/null)
debs=(build/corvane_*.deb)
deb="$PWD/${debs[0]}"
version="$(dpkg-deb -f "$deb" Version)"
echo "$deb"
dpkg-deb -f "$deb" Depends
# The formula checker and the formula compiler are run-time libraries.
for lib in libmuparser libllvm15; do
    dpkg-deb -f "$deb" Depends | grep -q "$lib" || fail "the package does not depend on $lib"
done

part "validate the files and lintian"
tree="$(mktemp -d)"
trap 'rm -rf "$tree"' EXIT
dpkg-deb -x "$deb" "$tree"
desktop-file-validate "$tree/usr/share/applications/org.corvane.Corvane.desktop"
appstreamcli validate --no-net "$tree/usr/share/metainfo/org.corvane.Corvane.metainfo.xml"
for png in "$tree"/usr/share/icons/hicolor/*/apps/org.corvane.Corvane.png; do
    size="$(basename "$(dirname "$(dirname "$png")")")"
    file "$png" | grep -q "PNG image data, ${size/x/ x }," || fail "$png is not $size"
done
[[ -f $tree/usr/share/icons/hicolor/scalable/apps/org.corvane.Corvane.svg ]] || fail "no SVG icon"
[[ -f $tree/usr/share/mime/packages/org.corvane.Corvane.xml ]] || fail "no session type (MIME XML)"
warnings="$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l \
    "$tree/usr/share/man/man1/corvane.1.gz" 2>&1 >/dev/null)"
[[ -z $warnings ]] || fail "the manual page renders with warnings: $warnings"
lintian --fail-on error "$deb"
# Every dependency is found in Debian when nothing at all is installed yet.
: >"$tree/status"
apt-get -s -o Dir::State::status="$tree/status" install "$deb" >/dev/null ||
    fail "the dependencies do not resolve on an empty system"

part "apt install"
if dpkg-query -W -f='${Status}' corvane 2>/dev/null | grep -q installed; then
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq corvane
fi
"${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt install -y -qq "$deb"
mapfile -t installed < <(dpkg-query -L corvane | grep -v '^/\.$')
[[ "$(command -v corvane)" == /usr/bin/corvane ]] || fail "corvane is not /usr/bin/corvane"
for f in /usr/share/applications/org.corvane.Corvane.desktop \
    /usr/share/metainfo/org.corvane.Corvane.metainfo.xml /usr/share/man/man1/corvane.1.gz; do
    [[ -f $f ]] || fail "$f is not installed"
done

part "the session type"
# A lesson double-clicked in a file manager: its type, and Corvane to open it.
lessons=(/usr/share/corvane/lessons/*.corvane)
((${#lessons[@]} >= 4)) || fail "the lessons are not installed"
filetype="$(xdg-mime query filetype "${lessons[0]}")"
[[ $filetype == application/x-corvane-session* ]] ||
    fail "xdg-mime says ${lessons[0]} is '$filetype'"
default="$(xdg-mime query default application/x-corvane-session)"
[[ $default == org.corvane.Corvane.desktop ]] ||
    fail "xdg-mime names '$default' for application/x-corvane-session"
echo "$filetype, opened by $default"

part "the installed corvane"
answer="$(/usr/bin/corvane --version)"
echo "$answer"
[[ $answer == "Corvane $version" ]] || fail "--version does not say $version"
tests/app/options_test.sh /usr/bin/corvane "$version"
tests/app/smoke_test.sh /usr/bin/corvane offscreen
tests/app/smoke_test.sh /usr/bin/corvane x11
tests/app/render_test.sh /usr/bin/corvane /usr/share/corvane/lessons

part "apt remove"
"${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt remove -y -qq corvane
status="$(dpkg-query -W -f='${Status}' corvane 2>/dev/null || true)"
[[ -z $status || $status == "unknown ok not-installed" ]] || fail "corvane is still '$status'"
left=0
for path in "${installed[@]}"; do
    [[ -e $path || -L $path ]] || continue
    # A directory that other packages own stays.
    [[ -d $path ]] && dpkg-query -S "$path" >/dev/null 2>&1 && continue
    echo "left behind: $path" >&2
    left=$((left + 1))
done
((left == 0)) || fail "$left installed paths are left after removal"
echo "removed: none of the ${#installed[@]} installed paths is left"

part ""
echo "=== package check times"
printf '%s\n' "${times[@]}"
