#!/usr/bin/env bash
# Measures the H.264 decoder stand-in, and decoding plus presentation in
# each display mode, against single-threaded FFmpeg decoding the same
# payloads; and the software BGR24 and RGB565 conversions beside libswscale.
# Writes the figures into docs/benchmarks.md between the h264-decode markers.
# usage: tests/bench/run_h264_bench.sh [BUILD_DIR]   (default build/release)
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:-$root/build/release}" && pwd)
tool=$build/tools/brisca
bench=$build/tests/bench/h264_decode_bench
conversion=$build/tests/bench/conversion_bench
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

figure() {  # benchmark-name
  awk -F, -v n="\"$1\"" '
    NR == 1 { for (i = 1; i <= NF; i++) { gsub(/"/, "", $i); column[$i] = i }; next }
    $1 == n && $column["error_occurred"] == "" { printf "%.0f", $column["fps"] }' "$work/bench.csv"
}
"$conversion" --benchmark_format=csv --benchmark_min_time=1 2>/dev/null > "$work/conversion.csv"
megapixels() {  # benchmark-name
  awk -F, -v n="\"$1\"" '
    NR == 1 { for (i = 1; i <= NF; i++) { gsub(/"/, "", $i); column[$i] = i }; next }
    $1 == n { printf "%.0f", $column["MP/s"] }' "$work/conversion.csv"
}

section=$work/section.md
{
  echo "Measured $(date -u +%Y-%m-%d) on $(nproc) cores ($(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'))."
  echo
  echo "Input: generated $seconds s recordings at 25 fps, a key frame every 50 frames ($pictures pictures each)."
  echo
  echo "| Picture size | \`hi_h264dec_w\` (drain loop, one handle) | decode + present, I420 (mode 1) | decode + RGB565 (mode 2) | decode + BGR24 (mode 3) | reference: \`ffmpeg -threads 1 -f h264 -i payload.h264 -f null -\` |"
  echo "|---|---|---|---|---|---|"
  for size in $sizes; do
    ns=$(ffmpeg_ns "$work/$size.h264")
    row="| $size"
    for kind in decode present-i420 present-rgb565 present-bgr24; do
      fps=$(figure "$kind/$size.strm")
      [ -n "$fps" ] || { echo "no $kind figure for $size" >&2; exit 1; }
      row="$row | $fps pictures/s"
    done
    echo "$row | $(awk -v n="$pictures" -v ns="$ns" 'BEGIN { printf "%.0f", n / (ns / 1e9) }') pictures/s (best of 3, process included) |"
  done
  echo
  echo "Software conversion of 4:2:0, one thread, same pictures (library: the fastest path this processor runs; SSSE3: the path for processors without AVX2):"
  echo
  echo "| Conversion | Picture size | library | library, SSSE3 | reference: libswscale |"
  echo "|---|---|---|---|---|"
  for pair in bgr24:bgr24 rgb565:rgb565le; do
    name=${pair%%:*}
    for size in 1920/1080 704/576; do
      echo "| \`yuv420p\` to \`${pair#*:}\` | ${size/\//x} | $(megapixels "$name/ours/$size") MP/s | $(megapixels "$name/ours-ssse3/$size") MP/s | $(megapixels "$name/swscale/$size") MP/s |"
    done
  done
  echo
  echo "Command: \`tests/bench/run_h264_bench.sh build/release\`"
} > "$section"
cat "$section"

bash "$root/tests/bench/replace_doc_section.sh" h264-decode "$section" "$root/docs/benchmarks.md"
