#!/usr/bin/env bash
# corvane --render without a display: each window of a session drawn into
# the folder, a line per file on standard output; a session it cannot open
# whole, or a file it cannot write, ends with status 1 and the reason.
# The lessons shipped render whole.
# Usage: render_test.sh PATH_TO_CORVANE LESSONS_DIR
set -uo pipefail
binary="$1"
lessons="$2"

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
render() {
    env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$binary" --render "$@" \
        >"$work/out" 2>"$work/err"
}

cat >"$work/lesson.corvane" <<'JSON'
{"format": "corvane-session", "version": 1,
 "main": {"a": "3.83", "x0": "0.2", "n": "100", "map": 1},
 "windows": {
  "explorer": {"history": [{"map": {"kind": "logistic"}, "aMin": 3.8, "aMax": 3.9, "xMin": 0,
                            "xMax": 1, "x0": 0.5, "transient": 500, "kept": 200}],
               "at": 0, "cursor": 3.83},
  "cobweb": {"map": {"kind": "logistic"}, "a": 3.83, "x0": 0.2, "k": 3, "n": 200},
  "feigenbaum": {"map": {"kind": "sine"}, "mostN": 8}}}
JSON

# status | format | size | the files written, in order
cases=(
    "png|640x400|explorer.png explorer-lyapunov.csv cobweb.png cobweb-orbit.csv cobweb-points.csv feigenbaum.csv"
    "svg|800x600|explorer.svg explorer-lyapunov.csv cobweb.svg cobweb-orbit.csv cobweb-points.csv feigenbaum.csv"
    "pdf|800x600|explorer.pdf explorer-lyapunov.csv cobweb.pdf cobweb-orbit.csv cobweb-points.csv feigenbaum.csv"
)
for row in "${cases[@]}"; do
    IFS='|' read -r format size files <<<"$row"
    dir="$work/$format"
    render "$work/lesson.corvane" --output "$dir" --format "$format" --size "$size"
    status=$?
    [[ $status -eq 0 ]] || { cat "$work/err" >&2; fail "$format: exit status $status"; }
    expected=""
    for f in $files; do expected+="$dir/$f"$'\n'; done
    [[ "$(cat "$work/out")" == "${expected%$'\n'}" ]] ||
        { cat "$work/out" >&2; fail "$format: standard output does not list the files written"; }
    grep -q "computing the bifurcation diagram" "$work/err" || fail "$format: no progress"
    for f in $files; do
        [[ -s $dir/$f ]] || fail "$format: $f is empty"
        case "$f" in
            *.png) file "$dir/$f" | grep -q "PNG image data, ${size/x/ x }," ||
                fail "$f is not a PNG of $size" ;;
            *.svg) grep -q "<svg" "$dir/$f" || fail "$f is no SVG" ;;
            *.pdf) [[ "$(head -c 5 "$dir/$f")" == "%PDF-" ]] || fail "$f is no PDF" ;;
            *.csv) grep -q "a\*x" "$dir/$f" || fail "$f does not name its map" ;;
        esac
    done
    echo "ok: --format $format --size $size"
done

# What it cannot open or write: status 1, the reason, and nothing on
# standard output.
head -c 200 "$work/lesson.corvane" >"$work/cut.corvane"
sed 's/"k": 3/"k": 65/' "$work/lesson.corvane" >"$work/range.corvane"
sed 's/"kind": "sine"/"kind": "formula", "formula": "sni(x)", "a": [0, 4], "x": [0, 1], "x0": 0.5/' \
    "$work/lesson.corvane" >"$work/formula.corvane"
touch "$work/a-file"
# session | output | standard error holds | what standard output lists
refusals=(
    "cut.corvane|$work/no|Cannot open $work/cut.corvane: the file is corrupt or cut short|"
    "range.corvane|$work/no|windows.cobweb.k: 65 is out of range (1 to 64)|"
    "missing.corvane|$work/no|Cannot open $work/missing.corvane: No such file or directory|"
    "lesson.corvane|$work/a-file|Cannot make the folder $work/a-file|"
    "formula.corvane|$work/f|The formula sni(x) no longer compiles|$work/f/explorer.png"
)
for row in "${refusals[@]}"; do
    IFS='|' read -r session output says lists <<<"$row"
    render "$work/$session" --output "$output"
    status=$?
    [[ $status -eq 1 ]] || fail "$session: exit status $status, not 1"
    grep -qF -- "$says" "$work/err" || { cat "$work/err" >&2; fail "$session: no '$says'"; }
    if [[ -z $lists ]]; then
        [[ -s $work/out ]] && fail "$session: something was written"
        [[ -e $work/no ]] && fail "$session: the output folder was made"
    else
        grep -qx -- "$lists" "$work/out" || fail "$session: the rest was not written"
    fi
    echo "ok: $session refused with status 1"
done

# Every lesson shipped: each of its windows drawn, nothing refused.
count=0
for lesson in "$lessons"/*.corvane; do
    name="$(basename "$lesson" .corvane)"
    render "$lesson" --output "$work/lessons/$name" --size 800x500
    status=$?
    [[ $status -eq 0 ]] || { cat "$work/err" >&2; fail "$name: exit status $status"; }
    grep -qE "(explorer|plane)\.png$" "$work/out" || fail "$name: no picture of the explorer or the plane"
    count=$((count + 1))
    echo "ok: $name rendered ($(wc -l <"$work/out") files)"
done
((count >= 8)) || fail "only $count lessons in $lessons"

# What is drawn is what the lesson holds: the view shown, the cobweb's values,
# the formula.
# file | a line it holds
holds=(
    "period-3-window/cobweb-orbit.csv|# parameters: a = 3.835; k = 3; x0 = 0.2; n = 300"
    "period-3-window/explorer-lyapunov.csv|# parameters: a from 3.82 to 3.86 in"
    "route-to-chaos/explorer-lyapunov.csv|# parameters: a from 2.5 to 4 in"
    "gauss-map-formula/cobweb-points.csv|# map: f(x) = exp(-6.2*x^2)+a"
    "feigenbaum-constants/feigenbaum.csv|# map: f(x) = a*x*(1-x)"
    "parameter-plane/plane.csv|# map: a*x*(1-x), sequence AB"
    "arnold-tongues/plane.csv|Omega,K,lambda,period,winding"
    # The numbers the guide's exercises give as answers.
    "exercise-feigenbaum-s3/feigenbaum.csv|3,3.554640862768825,"
    "exercise-feigenbaum-s3/feigenbaum.csv|8,3.5699387742333024,"
    "exercise-lyapunov/cobweb-points.csv|0.15614931568360577,0.3298816964353096,1,3"
    "exercise-three-cycle/cobweb-points.csv|0,3.835,0,1"
    "exercise-three-cycle/cobweb-points.csv|0.7392438070404171,-1.8350000000000004,0,1"
    "exercise-three-cycle/cobweb-orbit.csv|0.9586345965875396"
)
for row in "${holds[@]}"; do
    IFS='|' read -r file line <<<"$row"
    grep -qF -- "$line" "$work/lessons/$file" || fail "$file lacks '$line'"
done
echo "ok: the lessons' files hold their views and values"
