#!/usr/bin/env bash
# Installs what is missing, builds Tavrin and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh core qt
cmake --preset dev >/dev/null
cmake --build --preset dev -j "$(nproc)"
if [[ -x build/dev/platform/qt/tavrin ]]; then
    exec build/dev/platform/qt/tavrin "$@"
fi
echo "The editor's core is built and tested; the desktop front end is not part of this build yet."
