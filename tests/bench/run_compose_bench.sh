#!/usr/bin/env bash
# Measures Draw of a 1280x720 picture into BGR24, RGB565 and I420 targets
# with nothing on it (the reference), with text, and with text and a
# watermark; optionally beside a build of earlier code, run in the same
# session. Writes the figures into docs/benchmarks.md between the compose
# markers.
# usage: tests/bench/run_compose_bench.sh [BUILD_DIR [EARLIER_BUILD_DIR]]
#        (BUILD_DIR defaults to build/release)
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:-$root/build/release}" && pwd)
earlier=${2:+$(cd "$2" && pwd)}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

run() {  # build-dir output-csv
  "$1/tests/bench/compose_bench" --benchmark_format=csv --benchmark_min_time=0.5 \
    --benchmark_repetitions=5 --benchmark_report_aggregates_only=true 2>/dev/null > "$2"
}
run "$build" "$work/now.csv"
[ -z "$earlier" ] || run "$earlier" "$work/earlier.csv"

# Median CPU time of a benchmark, in ms per picture.
figure() {  # csv benchmark-name
  local value
  value=$(awk -F, -v n="\"$2_median\"" '
    NR == 1 { for (i = 1; i <= NF; i++) { gsub(/"/, "", $i); column[$i] = i }; next }
    $1 == n && $column["error_occurred"] == "" { printf "%.3f", $column["cpu_time"] }' "$1")
  [ -n "$value" ] || { echo "no figure for $2 in $1" >&2; exit 1; }
  echo "$value ms"
}

section=$work/section.md
{
  echo "Measured $(date -u +%Y-%m-%d) on $(nproc) cores ($(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //')), median of 5, CPU time per picture."
  echo
  echo "| Target | Code | nothing on it (reference: conversion only) | text | text + watermark (60 %) |"
  echo "|---|---|---|---|---|"
  for pair in bgr24:"BGR24 (mode 3)" rgb565:"RGB565 (mode 2)" i420:"I420 (mode 1)"; do
    mode=${pair%%:*}
    for code in earlier now; do
      csv=$work/$code.csv
      [ -f "$csv" ] || continue
      label=$code
      [ "$code" = earlier ] && label="earlier (\`${earlier#$root/}\`)"
      [ "$code" = now ] && label="now (\`${build#$root/}\`)"
      echo "| ${pair#*:} | $label | $(figure "$csv" "$mode/nothing") | $(figure "$csv" "$mode/text") | $(figure "$csv" "$mode/text+watermark") |"
    done
  done
  echo
  echo "Command: \`tests/bench/run_compose_bench.sh ${build#$root/}${earlier:+ ${earlier#$root/}}\`"
} > "$section"
cat "$section"

bash "$root/tests/bench/replace_doc_section.sh" compose "$section" "$root/docs/benchmarks.md"
