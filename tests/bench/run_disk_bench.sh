#!/usr/bin/env bash
# Measures reading a recording of more than a gigabyte from a recorder-disk
# image (frame by frame through the disk reader) against FFmpeg parsing the
# same H.264 payload, in one run, and the listing of a disk of 10,000
# segments; writes the figures into docs/benchmarks.md between the
# disk-read markers.
# usage: tests/bench/run_disk_bench.sh [BUILD_DIR]   (default build/release)
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$root/build/release}
tool=$build/tools/brisca
bench=$build/tests/bench/disk_read_bench
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
repeat=${REPEAT:-90}

"$tool" sample stream --size 1280x720 --fps 25 --keyint 50 --duration 60 --audio g726-32 \
  --route highway --seed 4 -o "$work/base.strm" >/dev/null
"$tool" extract "$work/base.strm" "$work/base.h264" "$work/base.audio" >/dev/null
for _ in $(seq "$repeat"); do cat "$work/base.h264"; done > "$work/payload.h264"
recording_bytes=$(( $(stat -c %s "$work/base.strm") * repeat ))
payload_bytes=$(stat -c %s "$work/payload.h264")

# The reader runs first, so both read from the page cache.
"$bench" --stream="$work/base.strm" --repeat="$repeat" --work="$work" \
  --benchmark_format=csv 2>/dev/null > "$work/bench.csv"

best_ns=
for _ in 1 2 3; do
  start=$(date +%s%N)
  ffmpeg -nostdin -v error -f h264 -i "$work/payload.h264" -c copy -f null -
  elapsed=$(( $(date +%s%N) - start ))
  if [ -z "$best_ns" ] || [ "$elapsed" -lt "$best_ns" ]; then best_ns=$elapsed; fi
done

column() {  # benchmark-name column
  awk -F, -v n="$1" -v c="$2" '
    NR == 1 { for (i = 1; i <= NF; i++) at[$i] = i; next }
    index($1, n) > 0 { print $at[c]; exit }' "$work/bench.csv"
}
read_ms=$(column disk/read_frames real_time)
read_fps=$(column disk/read_frames items_per_second)
list_ms=$(column disk/list_10000 real_time)

section=$work/section.md
{
  echo "Measured $(date -u +%Y-%m-%d) on $(nproc) cores ($(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'))."
  echo
  echo "Input: a generated 60 s recording (1280x720, 25 fps, G.726 voice) repeated $repeat times as one"
  echo "segment of a disk image: $recording_bytes bytes of stream, $payload_bytes bytes of H.264 payload."
  echo
  echo "| What | Throughput | Time |"
  echo "|---|---|---|"
  awk -v b="$recording_bytes" -v ms="$read_ms" -v fps="$read_fps" 'BEGIN {
    printf "| `CFileNvr::ReadFrame` to the end, disk image in the page cache | %.0f MB/s, %.0f frames/s | %.0f ms |\n", b / (ms / 1e3) / 1e6, fps, ms }'
  awk -v b="$payload_bytes" -v ns="$best_ns" 'BEGIN {
    printf "| reference: `ffmpeg -f h264 -i payload.h264 -c copy -f null -`, same payload | %.0f MB/s | %.0f ms (best of 3) |\n", b / (ns / 1e9) / 1e6, ns / 1e6 }'
  awk -v ms="$list_ms" 'BEGIN {
    printf "| `NVR_GetFileParam` path: mount and list a disk of 10,000 segments (20 dates) | | %.0f ms |\n", ms }'
  echo
  echo "Command: \`tests/bench/run_disk_bench.sh build/release\`"
} > "$section"
cat "$section"

bash "$root/tests/bench/replace_doc_section.sh" disk-read "$section" "$root/docs/benchmarks.md"
