#!/usr/bin/env bash
# Times the searches of search/ on a 1 GiB file in the page cache against
# glibc's memmem for the same 32 bytes in the same run, prints the ratios,
# the palette heuristic's precision on generated test images, and the peak
# memory of tavrin-cli searching the whole file.
#   bench/search_bench.sh [FILE]    (default: a 1 GiB file in $TMPDIR, made once)
set -euo pipefail
cd "$(dirname "$0")/.."

file=${1:-${TMPDIR:-/tmp}/tavrin-search-1g.img}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cmake --preset bench >/dev/null
cmake --build build/bench --target tavrin_search_bench tavrin-cli >/dev/null

# A 16-colour kit, written as a raw CLUT file.
kit=$work/kit.clu
printf '\x1f\x7c\xe0\x03\x00\x7c\x1f\x00\xff\x7f\x10\x42\x21\x04\x8c\x31' >"$kit"
printf '\x5a\x6b\x73\x4e\xd6\x5a\x39\x67\x9c\x73\x08\x21\xe7\x1c\xce\x39' >>"$kit"

if [ ! -s "$file" ]; then
    echo "== making $file (1 GiB of noise with the kit at three places)"
    head -c 1073741824 /dev/urandom >"$file"
    for offset in 4096 536870913 1073741792; do
        dd if="$kit" of="$file" bs=1 seek="$offset" conv=notrunc status=none
    done
fi
cat "$file" >/dev/null  # into the page cache

echo "== benchmarks ($(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ //'))"
TAVRIN_SEARCH_FILE=$file TAVRIN_SEARCH_CLUT=$kit build/bench/bench/tavrin_search_bench \
    --benchmark_repetitions=3 --benchmark_report_aggregates_only=true \
    --benchmark_out="$work/results.json" --benchmark_out_format=json
python3 - "$work/results.json" <<'PY'
import json, sys
rows = {b["run_name"]: b for b in json.load(open(sys.argv[1]))["benchmarks"]
        if b.get("aggregate_name") == "median"}
speed = {name: b.get("bytes_per_second", 0) / 2**30 for name, b in rows.items()}
print("\n== throughput, median of 3 (GiB/s)")
for name, value in speed.items():
    if value:
        print(f"  {name:32s} {value:7.2f}")
base = speed["BM_MemmemMapped"]
resident = speed["BM_MemmemResident"]
exact = speed["BM_FindClutExact"]
print("\n== ratios")
print(f"  exact / memmem (mapped per run)   {exact / base:5.2f}  (needs >= 0.80)")
print(f"  exact / memmem (already resident) {exact / resident:5.2f}")
print(f"  tolerance 2 / exact               {speed['BM_FindClutTolerance2'] / exact:5.2f}  (needs >= 0.25)")
print(f"  tolerance 2, align 2 / exact      {speed['BM_FindClutTolerance2Align2'] / exact:5.2f}")
print(f"  TIM scan                          {speed['BM_FindTim']:5.2f} GiB/s (needs >= 1)")
p = rows.get("BM_PaletteRunPrecision/iterations:1")
if p:
    print(f"  palette runs: precision {p['precision']:.3f}, recall {p['recall']:.3f} "
          f"({int(p['runs'])} runs, {int(p['cluts'])} CLUTs)")
PY

echo
echo "== peak memory of tavrin-cli searching the whole file"
for mode in "--clut $kit" "--tim"; do
    /usr/bin/time -f "  find $(echo "$mode" | cut -c1-6): %M KiB peak RSS, %e s" \
        build/bench/cli/tavrin-cli find $mode "$file" >/dev/null || true
done
