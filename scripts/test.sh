#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test: the
# optimised build with warnings as errors, then the sanitizer build.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh all

jobs=$(nproc)
for preset in ci asan; do
    echo "== $preset"
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" -j "$jobs"
    ctest --preset "$preset" -j "$jobs"
done
