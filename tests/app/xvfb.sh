# Sourced by the tests that run the program on a display of their own:
# start_xvfb SCREEN starts Xvfb on a display number it picks itself (free,
# whatever else runs at the same time), waits until it takes connections
# (up to 30 s, for a loaded machine), and sets DISPLAY and xvfb (its pid).
# Returns non-zero when the server did not come up.
start_xvfb() {
    local screen="$1" number
    number="$(mktemp)"
    Xvfb -displayfd 3 -screen 0 "$screen" -nolisten tcp 3>"$number" >/dev/null 2>&1 &
    xvfb=$!
    for _ in $(seq 300); do
        [[ -s "$number" ]] && break
        sleep 0.1
    done
    if [[ ! -s "$number" ]]; then
        rm -f "$number"
        return 1
    fi
    export DISPLAY=":$(head -n 1 "$number")"
    rm -f "$number"
    for _ in $(seq 300); do
        xdotool getdisplaygeometry >/dev/null 2>&1 && return 0
        sleep 0.1
    done
    return 1
}
