#!/usr/bin/env bash
# Reads the running program's accessibility tree over AT-SPI on D-Bus, as a
# screen reader does: the input fields are named by their labels, the drawing
# surface says what it shows, and says it anew once Enter has plotted.
# Skips without Xvfb, xdotool, dbus, at-spi2-core or python3-pyatspi, except
# under CI=true.
# Usage: atspi_test.sh PATH_TO_CORVANE
set -uo pipefail
binary="$1"
here="$(cd "$(dirname "$0")" && pwd)"
python=/usr/bin/python3

missing() {
    if [[ "${CI:-}" == true ]]; then
        echo "FAIL: $1 is needed under CI" >&2
        exit 1
    fi
    echo "SKIP: $1 is not installed"
    exit 77
}
command -v Xvfb >/dev/null || missing Xvfb
command -v xdotool >/dev/null || missing xdotool
command -v dbus-run-session >/dev/null || missing dbus
[[ -x /usr/libexec/at-spi-bus-launcher ]] || missing at-spi2-core
"$python" -c "import pyatspi" 2>/dev/null || missing python3-pyatspi

if [[ "${1:-}" != --session ]]; then
    exec dbus-run-session -- "$0" --session "$binary"
fi
binary="$2"

source "$here/xvfb.sh"
xvfb=""
launcher=""
program=""
cleanup() {
    [[ -n "$program" ]] && kill "$program" 2>/dev/null
    [[ -n "$launcher" ]] && kill "$launcher" 2>/dev/null
    [[ -n "$xvfb" ]] && kill "$xvfb" 2>/dev/null
}
trap cleanup EXIT
unset QT_QPA_PLATFORM
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
# What the program says goes to a file, shown when the check fails.
log="$(mktemp)"

# The display, the accessibility bus and the program. On a loaded machine
# the program has been seen to find no display it could connect to although
# the display answered a moment before; such a start is tried again, on a
# new display, up to three times, and each failed start is shown.
start() {
    start_xvfb 1280x900x24 || return 1
    /usr/libexec/at-spi-bus-launcher --launch-immediately >/dev/null 2>&1 &
    launcher=$!
    sleep 1
    "$binary" >"$log" 2>&1 &
    program=$!
    sleep 2
    kill -0 "$program" 2>/dev/null
}
started=no
for attempt in 1 2 3; do
    if start; then
        started=yes
        break
    fi
    echo "--- start $attempt failed (DISPLAY=$DISPLAY); the program's output:" >&2
    tail -n 20 "$log" >&2
    cleanup
    program=""
    launcher=""
    xvfb=""
done
if [[ "$started" != yes ]]; then
    echo "FAIL: the program did not start on a display of its own" >&2
    rm -f "$log"
    exit 1
fi
"$python" "$here/atspi_check.py"
status=$?
if ((status != 0)); then
    echo "--- the program's output:" >&2
    tail -n 40 "$log" >&2
fi
rm -f "$log"
exit "$status"
