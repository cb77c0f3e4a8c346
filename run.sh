#!/usr/bin/env bash
# Installs what is missing, builds, and starts Inventory Request.
set -euo pipefail
cd "$(dirname "$0")"
tools/install-deps.sh
tools/build.sh >/dev/null
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
    echo "run.sh: no display found (DISPLAY is not set); start it from a desktop session or under xvfb-run." >&2
    exit 1
fi
exec build/prjInventoryRequest
