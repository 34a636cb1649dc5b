#!/usr/bin/env bash
# The real program answers --help and --version, and refuses what it does not
# know, without a display; with no option and no display it says so.
# Usage: options_test.sh PATH_TO_CORVANE VERSION
set -uo pipefail
binary="$1"
version="$2"

failures=0
# status | the stream that must hold the text (the other stays empty) | text | arguments
cases=(
    "0|out|Corvane $version|--version"
    "0|out|Corvane $version|-v"
    "0|out|Usage: corvane [options]|--help"
    "0|out|--platform <name[:options]>|-h"
    "2|err|Unknown option 'bogus'|--bogus"
    "2|err|Usage: corvane [options]|--bogus"
    "2|err|Missing value after '-platform'|-platform"
    "2|err|Unexpected argument 'lesson'|lesson"
    "2|err|--render needs --output DIR|--render lesson.corvane"
    "2|err|--format takes png, svg or pdf|--render lesson.corvane --output o --format gif"
    "1|err|no display found|"
)

out="$(mktemp)"
err="$(mktemp)"
trap 'rm -f "$out" "$err"' EXIT
for row in "${cases[@]}"; do
    IFS='|' read -r status stream text arguments <<<"$row"
    read -ra args <<<"$arguments"
    env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$binary" "${args[@]}" >"$out" 2>"$err"
    got=$?
    if [[ $stream == out ]]; then holds="$out" empty="$err"; else holds="$err" empty="$out"; fi
    problem=""
    [[ $got -eq $status ]] || problem="exit status $got, not $status"
    grep -qF -- "$text" "$holds" || problem+="${problem:+; }std$stream lacks '$text'"
    [[ -s $empty ]] && problem+="${problem:+; }the other stream is not empty"
    if [[ -n $problem ]]; then
        echo "FAIL: corvane $arguments: $problem" >&2
        cat "$out" "$err" >&2
        failures=$((failures + 1))
    else
        echo "ok: corvane $arguments"
    fi
done
exit $((failures > 0))
