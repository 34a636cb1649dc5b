#!/usr/bin/env bash
# The real program starts, keeps running with its main window, and quits
# cleanly with status 0 on SIGTERM and on SIGINT.
# Usage: smoke_test.sh PATH_TO_CORVANE offscreen|x11
set -uo pipefail
binary="$1"
mode="$2"

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

if [[ "$mode" == x11 ]]; then
    if ! command -v Xvfb >/dev/null || ! command -v xdotool >/dev/null; then
        if [[ "${CI:-}" == true ]]; then fail "Xvfb and xdotool are needed under CI"; fi
        echo "SKIP: Xvfb or xdotool is not installed"
        exit 77
    fi
    source "$(dirname "$0")/xvfb.sh"
    xvfb=""
    trap '[[ -n "$xvfb" ]] && kill $xvfb 2>/dev/null' EXIT
    start_xvfb 1920x1080x24 || fail "Xvfb did not start"
    display="$DISPLAY"
    unset QT_QPA_PLATFORM
else
    export QT_QPA_PLATFORM=offscreen
fi

for signal in TERM INT; do
    "$binary" &
    pid=$!
    sleep 2
    kill -0 "$pid" 2>/dev/null || fail "corvane ended within two seconds"
    if [[ "$mode" == x11 ]]; then
        DISPLAY="$display" xdotool search --name '^Corvane Experiment$' >/dev/null ||
            fail "no window titled 'Corvane Experiment'"
    fi
    kill "-$signal" "$pid"
    wait "$pid"
    status=$?
    [[ $status -eq 0 ]] || fail "exit status $status after SIG$signal"
    echo "SIG$signal: quit with status 0"
done

# corvane FILE.corvane opens the lesson: its cobweb window comes up with the
# main window.
lesson="$(mktemp -d)"
trap '[[ -n "${xvfb:-}" ]] && kill $xvfb 2>/dev/null; rm -rf "$lesson"' EXIT
cat >"$lesson/period 3.corvane" <<'JSON'
{"format": "corvane-session", "version": 1,
 "main": {"a": "3.83", "x0": "0.2", "n": "100", "map": 1},
 "windows": {"cobweb": {"map": {"kind": "logistic"}, "a": 3.83, "x0": 0.2, "k": 3, "n": 200}}}
JSON
# Its recent list goes to a settings folder of the test's own.
XDG_CONFIG_HOME="$lesson/config" "$binary" "$lesson/period 3.corvane" &
pid=$!
sleep 3
kill -0 "$pid" 2>/dev/null || fail "corvane with a session ended within three seconds"
if [[ "$mode" == x11 ]]; then
    DISPLAY="$display" xdotool search --name '^Cobweb: a\*x\*\(1-x\)$' >/dev/null ||
        fail "the session's cobweb did not open"
fi
kill -TERM "$pid"
wait "$pid"
status=$?
[[ $status -eq 0 ]] || fail "exit status $status after SIGTERM with a session"
echo "a session opened from the command line"
