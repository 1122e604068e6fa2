#!/usr/bin/env bash
# Installs the dependencies, builds Velmora and starts the window program.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh build -DWERROR=OFF
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
    echo "velmora: no display found (DISPLAY and WAYLAND_DISPLAY are unset)." >&2
    echo "Start it from a desktop session, or under a virtual display: xvfb-run build/bin/velmora" >&2
    exit 1
fi
exec build/bin/velmora
