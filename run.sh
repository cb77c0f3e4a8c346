#!/usr/bin/env bash
# Installs what is missing, builds the program, and starts Inventory Request.
set -euo pipefail
cd "$(dirname "$0")"
# A desktop is needed to show the window: checked first, before anything is installed or built.
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
    echo "run.sh: no display found (DISPLAY is not set); start it from a desktop session or under xvfb-run." >&2
    exit 1
fi
tools/install-deps.sh
if [ ! -f build/build.ninja ]; then
    cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
# Only the program; its output is shown when the build fails.
log=$(mktemp)
trap 'rm -f "$log"' EXIT
if ! cmake --build build --target prjInventoryRequest --parallel "$(nproc)" >"$log" 2>&1; then
    cat "$log" >&2
    echo "run.sh: the build failed; the compiler's messages are above." >&2
    exit 1
fi
rm -f "$log"
exec build/prjInventoryRequest
