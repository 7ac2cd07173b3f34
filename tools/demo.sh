#!/usr/bin/env bash
# Sets everything up, builds and starts the client.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh
echo "== Starting the client"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display: running offscreen."
    export QT_QPA_PLATFORM=offscreen
fi
export NORVANE_HOME="${NORVANE_HOME:-$PWD/demo-run/home}"
mkdir -p "$NORVANE_HOME"
exec build/bin/norvane "$@"
