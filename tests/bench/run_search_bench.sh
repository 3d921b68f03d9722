#!/usr/bin/env bash
# Measures the file list's disk search of 10,000 recordings, from the
# VIDEODISC SEARCH click to the first page on screen (offscreen), beside the
# bare NVR_GetFileParam call on the same disk in the same run; writes the
# figures into docs/benchmarks.md between the file-list-search markers.
# usage: tests/bench/run_search_bench.sh [BUILD_DIR]   (default build/release)
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$root/build/release}
bench=$build/tests/bench/file_list_search_bench
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$bench" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
  --benchmark_out="$work/out.json" --benchmark_out_format=json > /dev/null
median() {  # name: median real time in ms
  python3 -c "
import json, sys
runs = json.load(open('$work/out.json'))['benchmarks']
print('%.1f' % next(r['real_time'] for r in runs if r['name'] == '$1_median'))"
}
bare=$(median BareListing)
program=$(median ProgramSearch)

section=$work/section.md
{
  echo "Measured $(date -u +%Y-%m-%d) on $(nproc) cores ($(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //')),"
  echo "load average $(cut -d' ' -f1-3 /proc/loadavg) at the end of the run."
  echo
  echo "Input: a recorder-disk image of 10,000 recordings (5 dates, 4 channels), in the page cache."
  echo
  echo "| What | Time (median of 5) |"
  echo "|---|---|"
  echo "| VIDEODISC SEARCH click to the first page shown: probe, listing, time window, sort, filter, page | $program ms |"
  echo "| reference: the bare \`NVR_GetFileParam\` + \`NVR_FreeFileParam\` of the same disk | $bare ms |"
  awk -v a="$program" -v b="$bare" 'BEGIN { printf "\nThe program adds %.0f ms (%.0f %%) to the listing.\n", a - b, (a - b) / b * 100 }'
  echo
  echo "Command: \`tests/bench/run_search_bench.sh build/release\`"
} > "$section"
cat "$section"

bash "$root/tests/bench/replace_doc_section.sh" file-list-search "$section" "$root/docs/benchmarks.md"
