#!/usr/bin/env bash
# Installs only what building and running the editor need (the run group of
# scripts/deps.sh), builds the optimised editor (release preset) and starts it.
# Arguments go to the editor: scripts/run.sh kit.clu
set -euo pipefail
# A file named relative to where the command was given.
args=()
for arg in "$@"; do
    if [[ $arg == -* ]]; then args+=("$arg"); else args+=("$(realpath -m -- "$arg")"); fi
done
cd "$(dirname "$0")/.."

scripts/deps.sh run
cmake --preset release >/dev/null
cmake --build --preset release -j "$(nproc)" --target tavrin
if [[ -z ${DISPLAY:-} && -z ${WAYLAND_DISPLAY:-} ]]; then
    echo "Built build/release/platform/qt/tavrin; start it from a desktop session (no display here)." >&2
    exit 1
fi
exec build/release/platform/qt/tavrin "${args[@]}"
