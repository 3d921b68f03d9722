#!/usr/bin/env bash
# The window thread's cost of one telemetry record in the player's window
# (the record's arithmetic, the map's vehicle and track over offline tiles,
# the speedometer, the time text and both charts, with the paints they
# cause) at 1920x1080 and 1366x768 under Xvfb, against the second between
# two GPS records and the 40 ms between two pictures at 25 fps. Writes the
# figures into docs/benchmarks.md between the program-telemetry markers.
# usage: tests/bench/run_telemetry_bench.sh [BUILD_DIR]   (default build/release)
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:-$root/build/release}" && pwd)
bench=$build/tests/bench/corvane_telemetry_bench
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

field() { sed -n "s/.*\"$1\": \\([-0-9.]*\\).*/\\1/p"; }

rows=()
for size in 1920x1080 1366x768; do
  QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1920x1080x24" "$bench" --size "$size" --records 600 \
    2>/dev/null > "$work/$size.json"
  cat "$work/$size.json"
  run=$(cat "$work/$size.json")
  rows+=("$(awk -v size="$size" -v mean="$(echo "$run" | field mean_ms)" -v median="$(echo "$run" | field median_ms)" \
    -v p99="$(echo "$run" | field p99_ms)" -v max="$(echo "$run" | field max_ms)" 'BEGIN {
    printf "| %s | %.2f ms | %.2f ms | %.2f ms | %.2f ms | %.2f %% | %.1f %% |\n",
      size, mean, median, p99, max, mean / 10, 100 * max / 40 }')")
done

section=$work/section.md
{
  echo "Measured $(date -u +%Y-%m-%d) on $(nproc) cores ($(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'))."
  echo
  echo "Input: 600 fresh telemetry records of a vehicle on a slow curve at 54 km/h, with"
  echo "acceleration, GPS correction on (converted for the provider and drawn back on WGS-84"
  echo "tiles), handed to the player's main window one after another under Xvfb; each record's"
  echo "time includes the posted chart samples and every paint it caused. The map draws"
  echo "256-pixel offline tiles written by the benchmark. References in the same run: the"
  echo "second between two GPS records (mean as a share of it) and the 40 ms between two"
  echo "pictures at 25 fps (the slowest record as a share of it)."
  echo
  echo "| Window | Mean | Median | 99th percentile | Slowest | Mean of 1 s | Slowest of 40 ms |"
  echo "|---|---|---|---|---|---|---|"
  printf '%s\n' "${rows[@]}"
  echo
  echo "Command: \`tests/bench/run_telemetry_bench.sh build/release\`"
} > "$section"
cat "$section"

bash "$root/tests/bench/replace_doc_section.sh" program-telemetry "$section" "$root/docs/benchmarks.md"
