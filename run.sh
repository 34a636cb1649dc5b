#!/usr/bin/env bash
# Installs what is missing, builds Corvane into build/ and starts it.
set -euo pipefail
source "$(dirname "$0")/tools/setup.sh"
corvane_install_packages "${CORVANE_PACKAGES[@]}"
corvane_build
if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" && -z "${QT_QPA_PLATFORM:-}" ]]; then
    echo "corvane: no display found (DISPLAY is not set); start it in a desktop session or under Xvfb" >&2
    exit 1
fi
exec "$CORVANE_ROOT/build/app/corvane" "$@"
