#!/usr/bin/env bash
# Measures the H.264 decoder stand-in against single-threaded FFmpeg
# decoding the same payloads, and writes the figures into docs/benchmarks.md
# between the h264-decode markers.
# usage: tests/bench/run_h264_bench.sh [BUILD_DIR]   (default build/release)
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:-$root/build/release}" && pwd)
tool=$build/tools/brisca
bench=$build/tests/bench/h264_decode_bench
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
sizes="1920x1080 704x576"
seconds=20
pictures=$((seconds * 25))

for size in $sizes; do
  "$tool" sample stream --size "$size" --fps 25 --keyint 50 --duration "$seconds" --seed 1 \
    -o "$work/$size.strm" >/dev/null
  "$tool" extract "$work/$size.strm" "$work/$size.h264" "$work/$size.audio" >/dev/null
done
(cd "$work" && "$bench" $(for size in $sizes; do echo "--stream=$size.strm"; done) \
  --benchmark_format=csv --benchmark_min_time=2 2>/dev/null > bench.csv)

# Best of three FFmpeg runs (wall clock, process start included).
ffmpeg_ns() {  # payload
  local best= start elapsed
  for _ in 1 2 3; do
    start=$(date +%s%N)
    ffmpeg -nostdin -v error -threads 1 -f h264 -i "$1" -f null -
    elapsed=$(( $(date +%s%N) - start ))
    if [ -z "$best" ] || [ "$elapsed" -lt "$best" ]; then best=$elapsed; fi
  done
  echo "$best"
}

section=$work/section.md
{
  echo "Measured $(date -u +%Y-%m-%d) on $(nproc) cores ($(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'))."
  echo
  echo "Input: generated $seconds s recordings at 25 fps, a key frame every 50 frames ($pictures pictures each)."
  echo
  echo "| Picture size | \`hi_h264dec_w\` (drain loop, one handle) | reference: \`ffmpeg -threads 1 -f h264 -i payload.h264 -f null -\` |"
  echo "|---|---|---|"
  for size in $sizes; do
    ns=$(ffmpeg_ns "$work/$size.h264")
    ours=$(awk -F, -v n="\"decode/$size.strm\"" '
      NR == 1 { for (i = 1; i <= NF; i++) { gsub(/"/, "", $i); column[$i] = i }; next }
      $1 == n && $column["error_occurred"] == "" { printf "%.0f", $column["fps"] }' "$work/bench.csv")
    [ -n "$ours" ] || { echo "no figure for $size" >&2; exit 1; }
    echo "| $size | $ours pictures/s | $(awk -v n="$pictures" -v ns="$ns" 'BEGIN { printf "%.0f", n / (ns / 1e9) }') pictures/s (best of 3, process included) |"
  done
  echo
  echo "Command: \`tests/bench/run_h264_bench.sh build/release\`"
} > "$section"
cat "$section"

bash "$root/tests/bench/replace_doc_section.sh" h264-decode "$section" "$root/docs/benchmarks.md"
