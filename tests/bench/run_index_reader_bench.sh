#!/usr/bin/env bash
# Measures the index reader's walk over the telemetry of a device recording
# of about 1 GB (generated: 1920x1080 H.264 at 25 fps, G.711 voice,
# telemetry once a second and on every key frame) against reading the same
# file from the page cache with `cat` and `dd`, in one run, and writes the
# figures into docs/benchmarks.md between the index-reader markers.
# usage: tests/bench/run_index_reader_bench.sh [BUILD_DIR]   (default build/release)
# DURATION (seconds of recording, default 2400) sets the file's size.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$root/build/release}
tool=$build/tools/brisca
walk=$build/tests/bench/index_reader_walk
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
duration=${DURATION:-2400}
runs=5
load=$(cut -d' ' -f1 /proc/loadavg)
file=$work/001-01-260308-080000-00d0001.dav

# One minute of pictures is encoded and repeated; the chunks, timestamps,
# telemetry and back links are written for the whole duration.
"$tool" sample device "$file" --size 1920x1080 --fps 25 --keyint 50 --duration "$duration" \
  --reuse-video 60 --info-rate 1 --audio alaw --route highway --data-end > "$work/sample.txt"
bytes=$(stat -c %s "$file")
cat "$file" > /dev/null  # into the page cache

best_ns() {  # command...: the shortest of $runs runs
  local best= start elapsed
  for _ in $(seq "$runs"); do
    start=$(date +%s%N)
    "$@"
    elapsed=$(( $(date +%s%N) - start ))
    if [ -z "$best" ] || [ "$elapsed" -lt "$best" ]; then best=$elapsed; fi
  done
  echo "$best"
}
cat_ns=$(best_ns sh -c "cat '$file' > /dev/null")
dd_ns=$(best_ns dd if="$file" of=/dev/null bs=1M status=none)
read -r walk_ns records open_ns < <("$walk" "$file" "$runs")
pauses=$((records / 50))

rate() { awk -v b="$bytes" -v ns="$1" 'BEGIN { printf "%.0f MB/s", b / (ns / 1e9) / 1e6 }'; }
ms() { awk -v ns="$1" 'BEGIN { printf "%.0f ms", ns / 1e6 }'; }

section=$work/section.md
{
  echo "Measured $(date -u +%Y-%m-%d) on $(nproc) cores ($(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //')),"
  echo "load average $load when measuring began."
  echo
  echo "Input: a generated device recording of $bytes bytes: $duration s of 1920x1080 H.264 at"
  echo "25 fps (a key frame every 50 pictures), G.711 voice, $records telemetry records (once a"
  echo "second and on every key frame). The file is in the page cache; best of $runs runs each."
  echo "The walk includes the reader's own pauses: 5 ms after every 50 records, $pauses here"
  echo "($((pauses * 5)) ms)."
  echo
  echo "| What | Time | Throughput |"
  echo "|---|---|---|"
  echo "| index reader: start to end report, every telemetry record read | $(ms "$walk_ns") | $(rate "$walk_ns") |"
  echo "| reference: \`cat FILE > /dev/null\` | $(ms "$cat_ns") | $(rate "$cat_ns") |"
  echo "| reference: \`dd if=FILE of=/dev/null bs=1M\` | $(ms "$dd_ns") | $(rate "$dd_ns") |"
  echo
  echo "Opening the file (header, first and last timestamp): $(awk -v ns="$open_ns" 'BEGIN { printf "%.2f", ns / 1e6 }') ms."
  echo
  echo "Command: \`tests/bench/run_index_reader_bench.sh build/release\`"
} > "$section"
cat "$section"

bash "$root/tests/bench/replace_doc_section.sh" index-reader "$section" "$root/docs/benchmarks.md"
