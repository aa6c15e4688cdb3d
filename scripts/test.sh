#!/usr/bin/env bash
# Installs what is missing, checks the formatting, builds everything and
# runs every test: the optimised build with warnings as errors, then the
# sanitizer build (both with the short soak), then the Debian package of the
# release build, validated and installed into a scratch Debian root, then a
# short run of each fuzz target from its seed corpus, then the 32-bit and
# 64-bit Windows programs, both checked as files, one of them run under Wine. The million-event
# soak (ctest --preset soak) and the benchmarks (bench preset) are run by
# hand; see the README. Works from a clone and from an unpacked source archive.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh all

# From a clone, the tracked files; from an unpacked source archive, every
# source file outside build/.
echo "== format"
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    git ls-files -z -- '*.cpp' '*.h'
else
    find . -path ./build -prune -o -type f \( -name '*.cpp' -o -name '*.h' \) -print0
fi | xargs -0 clang-format --dry-run --Werror

jobs=$(nproc)
for preset in ci asan; do
    echo "== $preset"
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" -j "$jobs"
    ctest --preset "$preset" -j "$jobs"
done

echo "== package"
cmake --preset release >/dev/null
cmake --build --preset release -j "$jobs" --target package
scripts/check-package.sh build/release/tavrin_*.deb

# New inputs go to a scratch folder (the seed corpus in the repository is only
# read); an input that breaks a target is kept in build/fuzz/.
echo "== fuzz"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$jobs"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
for target in raw_clut tex_clut clut_at_offset parse_offset field_text cli_args tim tim_header palette_formats disc_image; do
    mkdir -p "$scratch/$target"
    if ! build/fuzz/fuzz/fuzz_$target -max_total_time=10 -artifact_prefix=build/fuzz/ \
        "$scratch/$target" "fuzz/corpus/$target" >"$scratch/$target.log" 2>&1; then
        tail -n 40 "$scratch/$target.log"
        echo "fuzz_$target found a problem" >&2
        exit 1
    fi
    echo "fuzz_$target: $(grep -o 'Done [0-9]* runs' "$scratch/$target.log")"
done

# Both Windows programs are built and checked as files on every machine; the
# scenarios run under the Wine this machine can run, found by trying.
echo "== windows"
build/ci/tests/tavrin_menu_table_json >build/menu-table.json
for target in win32 win64; do
    cmake --preset "$target" >/dev/null
    cmake --build --preset "$target" -j "$jobs"
    python3 tests/win32/check_exe.py "build/$target/platform/win32/tavrin.exe" resources/about.txt \
        --target "$target" --menu-table build/menu-table.json \
        --zip "build/$target/tavrin-"*"-$target.zip" help/tavrin.html docs/windows.md
done

if probe=$(/usr/lib/wine/wine --version 2>&1); then
    flavour=win32 loader=/usr/lib/wine/wine
    echo "Wine: 32-bit ($probe runs here), so the 32-bit program runs the scenarios"
else
    flavour=win64 loader=/usr/lib/wine/wine64
    echo "Wine: 64-bit, because this machine cannot run 32-bit programs" \
        "(/usr/lib/wine/wine --version: ${probe##*: }), so the 64-bit program runs the scenarios"
    if ! probe=$($loader --version 2>&1); then
        echo "Neither Wine runs on this machine ($loader --version: ${probe##*: });" \
            "the Windows scenarios cannot run" >&2
        exit 1
    fi
fi

# The Windows Imaging Component's PNG path, in a Wine prefix of its own.
wine_prefix=$(mktemp -d)
WINEPREFIX="$wine_prefix" WINEARCH=$flavour WINELOADER=$loader WINEDEBUG=-all \
    "$loader" "build/$flavour/tests/win32/tavrin_png_check.exe"
WINEPREFIX="$wine_prefix" wineserver -w
rm -rf "$wine_prefix"
rm -rf "build/$flavour/wine-artifacts"
python3 tests/win32/wine_e2e.py "build/$flavour/platform/win32/tavrin.exe" --wine "$flavour" \
    --artifacts "build/$flavour/wine-artifacts"
