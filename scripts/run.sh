#!/usr/bin/env bash
# Installs what is missing, builds Tavrin and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh core qt
cmake --preset dev >/dev/null
cmake --build --preset dev -j "$(nproc)" --target tavrin
if [[ -z ${DISPLAY:-} && -z ${WAYLAND_DISPLAY:-} ]]; then
    echo "Built build/dev/platform/qt/tavrin; start it from a desktop session (no display here)." >&2
    exit 1
fi
exec build/dev/platform/qt/tavrin
