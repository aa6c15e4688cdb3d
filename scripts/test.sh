#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test: the
# optimised build with warnings as errors, then the sanitizer build, then the
# Windows program, which is checked as a file and run under Wine.
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

echo "== win32"
cmake --preset win32 >/dev/null
cmake --build --preset win32 -j "$jobs"
exe=build/win32/platform/win32/tavrin.exe
python3 tests/win32/check_exe.py "$exe" resources/about.txt \
    --zip build/win32/tavrin-*-win32.zip help/tavrin.html
rm -rf build/win32/wine-artifacts
python3 tests/win32/wine_e2e.py "$exe" --artifacts build/win32/wine-artifacts
