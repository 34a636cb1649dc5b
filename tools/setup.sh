#!/usr/bin/env bash
# Installs the Debian packages Corvane needs (only the missing ones) and
# configures and builds it into build/. Sourced by run.sh and test.sh.
set -euo pipefail

CORVANE_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

CORVANE_PACKAGES=(
    build-essential cmake pkg-config
    qt6-base-dev qt6-svg-dev libgl-dev libcups2-dev
    libgtest-dev libgmock-dev googletest libbenchmark-dev libtbb-dev
    libmuparser-dev llvm-15-dev nlohmann-json3-dev
    fonts-dejavu-core librsvg2-bin
)

corvane_install_packages() {
    local missing=()
    local p
    for p in "$@"; do
        if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
            missing+=("$p")
        fi
    done
    if ((${#missing[@]} == 0)); then
        return 0
    fi
    echo "Installing: ${missing[*]}"
    local sudo=()
    if [[ $(id -u) -ne 0 ]]; then
        sudo=(sudo)
    fi
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends \
        "${missing[@]}"
}

# Generates a locale (e.g. de_DE.UTF-8, whose decimal separator is a comma)
# for the tests that run the program under it, when it is not there yet.
corvane_ensure_locale() {
    local name="$1"
    if locale -a 2>/dev/null | grep -qix "${name/UTF-8/utf8}"; then
        return 0
    fi
    local sudo=()
    if [[ $(id -u) -ne 0 ]]; then
        sudo=(sudo)
    fi
    echo "Generating the locale $name"
    if [[ -f /etc/locale.gen ]] && grep -q "^# *$name UTF-8" /etc/locale.gen; then
        "${sudo[@]}" sed -i "s/^# *\($name UTF-8\)/\1/" /etc/locale.gen
    elif ! grep -q "^$name UTF-8" /etc/locale.gen 2>/dev/null; then
        echo "$name UTF-8" | "${sudo[@]}" tee -a /etc/locale.gen >/dev/null
    fi
    "${sudo[@]}" locale-gen >/dev/null
}

corvane_build() {
    cmake -S "$CORVANE_ROOT" -B "$CORVANE_ROOT/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
    cmake --build "$CORVANE_ROOT/build" -j "$(nproc)"
}
