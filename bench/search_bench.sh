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
scale = {"ns": 1e-9, "us": 1e-6, "ms": 1e-3, "s": 1.0}
wall, cpu, rows = {}, {}, {}
for b in json.load(open(sys.argv[1]))["benchmarks"]:
    if b.get("aggregate_name") != "median":
        continue
    name = b["run_name"].split("/")[0]
    rows[name] = b
    if b.get("bytes_per_second"):
        unit = scale[b["time_unit"]]
        size = b["bytes_per_second"] * b["real_time"] * unit
        wall[name] = b["bytes_per_second"] / 2**30
        cpu[name] = size / (b["cpu_time"] * unit) / 2**30
print("\n== throughput, median of 3 (GiB/s): by the wall clock, and by this thread's processor time")
for name in wall:
    print(f"  {name:30s} {wall[name]:6.2f}  {cpu[name]:6.2f}")
print("\n== ratios (wall clock; processor time)")
def ratio(a, b):
    return f"{wall[a] / wall[b]:5.2f}; {cpu[a] / cpu[b]:5.2f}"
print(f"  exact / memmem over the mapped file   {ratio('BM_FindClutExact', 'BM_MemmemMapped')}  (needs >= 0.80)")
print(f"  exact / memmem over resident memory   {ratio('BM_FindClutExact', 'BM_MemmemResident')}")
print(f"  tolerance 2 / exact                   {ratio('BM_FindClutTolerance2', 'BM_FindClutExact')}  (needs >= 0.25)")
print(f"  tolerance 2 / exact, both align 2     {ratio('BM_FindClutTolerance2Align2', 'BM_FindClutExactAlign2')}")
print(f"  TIM scan                              {wall['BM_FindTim']:5.2f}; {cpu['BM_FindTim']:5.2f} GiB/s (needs >= 1)")
p = rows.get("BM_PaletteRunPrecision")
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
