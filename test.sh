#!/usr/bin/env bash
# Installs what is missing, builds Corvane into build/ and runs every test.
set -euo pipefail
source "$(dirname "$0")/tools/setup.sh"
corvane_install_packages "${CORVANE_PACKAGES[@]}" poppler-utils xvfb xdotool
corvane_build "$@"
cd "$CORVANE_ROOT/build"
ctest --output-on-failure -j "$(nproc)"
