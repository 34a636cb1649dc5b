#!/usr/bin/env bash
# Installs what is missing, builds Corvane into build/ and runs every test.
# Arguments go to ctest (./test.sh -R Histogram runs the histogram tests);
# extra CMake options come from CORVANE_CMAKE_ARGS.
set -euo pipefail
source "$(dirname "$0")/tools/setup.sh"
corvane_install_packages "${CORVANE_PACKAGES[@]}" poppler-utils xvfb xdotool locales \
    dbus-daemon at-spi2-core python3-pyatspi
corvane_ensure_locale de_DE.UTF-8
read -r -a cmake_args <<<"${CORVANE_CMAKE_ARGS:-}"
corvane_build "${cmake_args[@]}"
cd "$CORVANE_ROOT/build"
ctest --output-on-failure -j "$(nproc)" "$@"
