#!/usr/bin/env bash
# Eight 704x576 channels of one moment played in the player's window at
# 1920x1080 under Xvfb with the map (offline tiles), the charts and the
# speedometer following the telemetry, once through OpenGL and once in
# software, each beside
# `brisca play` of the same recordings into memory targets of the same pixel
# format (I420 for OpenGL, BGR24 for software), in the same run. Writes the
# figures into docs/benchmarks.md between the program-play markers.
# usage: tests/bench/run_program_play_bench.sh [BUILD_DIR]   (default build/release)
#        PLAY_SECONDS sets the length of the recordings (60).
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:-$root/build/release}" && pwd)
tool=$build/tools/brisca
bench=$build/tests/bench/corvane_play_bench
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
seconds=${PLAY_SECONDS:-60}
channels=8
frames=$((seconds * 25))

field() { sed -n "s/.*\"$1\": \\([-0-9.]*\\).*/\\1/p"; }

mkdir -p "$work/streams"
names=()
# Yesterday: inside the file list's default search window.
start="$(date -d yesterday +%F) 10:00:00"
for i in $(seq 1 $channels); do
  "$tool" sample stream --size 704x576 --fps 25 --keyint 50 --duration "$seconds" --audio alaw \
    --channel "$i" --seed $((60 + i)) --start "$start" -o "$work/streams/ch$i.strm" >/dev/null
  names+=("$work/streams/ch$i.strm")
done

rows=()
for video in gl software; do
  format=$([ "$video" = gl ] && echo i420 || echo bgr24)
  # One X server per run, as the operator's desktop has one.
  QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1920x1080x24" \
    "$bench" --folder "$work/streams" --video "$video" 2>/dev/null > "$work/$video.json"
  "$tool" play "${names[@]}" --seconds "$seconds" --format "$format" --json > "$work/$video-cli.json"
  cat "$work/$video.json"
  run=$(grep '"video"' "$work/$video.json")
  [ "$(echo "$run" | sed -n 's/.*"video": "\([a-z]*\)".*/\1/p')" = "$video" ] ||
    { echo "the program did not take the $video path" >&2; exit 1; }
  painted=$(grep '"channel"' "$work/$video.json" | field painted | sort -n | head -1)
  dropped=$(grep '"channel"' "$work/$video.json" | field dropped | awk '{ s += $1 } END { print s }')
  rows+=("$(awk -v video="$video" -v format="$format" -v painted="$painted" -v frames="$frames" \
    -v dropped="$dropped" -v stall="$(echo "$run" | field longest_stall_ms)" \
    -v telemetry="$(echo "$run" | field telemetry_records)" \
    -v ours="$(echo "$run" | field cpu_seconds)" -v cli="$(field cpu_seconds < "$work/$video-cli.json")" 'BEGIN {
    printf "| %s | %d of %d (%.1f %%) | %d | %s ms | %d | %.2f s | %.2f s (%s) | %.2f |\n",
      video, painted, frames, 100 * painted / frames, dropped, stall, telemetry, ours, cli, format,
      (cli > 0 ? ours / cli : 0) }')")
done

section=$work/section.md
{
  echo "Measured $(date -u +%Y-%m-%d) on $(nproc) cores ($(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'))."
  echo
  echo "Input: $channels generated $seconds s recordings of one moment, 704x576 at 25 fps (a key"
  echo "frame every 50 frames, G.711 voice), listed by LOCAL SEARCH of their folder and played by"
  echo "a double click in the player's window at 1920x1080 under Xvfb (nine-window split) until"
  echo "every channel ended. OpenGL under Xvfb is Mesa's software rasteriser: the shader runs"
  echo "on the processor, so its figures are a ceiling for a machine with a graphics processor."
  echo "Pictures on screen: the fewest any channel painted. Dropped: pictures replaced by a"
  echo "newer one before the window took them, all channels. Stall: the longest a 5 ms timer"
  echo "of the window thread came late while the channels played. Telemetry: records of the"
  echo "synchronising channel that moved the map's vehicle and filled the charts, the map"
  echo "drawing 256-pixel offline tiles written by the benchmark."
  echo "CPU times are user + system of the whole process, beside \`brisca play\` of the same files"
  echo "for $seconds s into memory targets of the path's pixel format."
  echo
  echo "| Path | Pictures on screen per channel, of recorded | Dropped | Longest stall | Telemetry | Program CPU | \`brisca play\` CPU | Ratio |"
  echo "|---|---|---|---|---|---|---|---|"
  printf '%s\n' "${rows[@]}"
  echo
  echo "Command: \`tests/bench/run_program_play_bench.sh build/release\`"
} > "$section"
cat "$section"

bash "$root/tests/bench/replace_doc_section.sh" program-play "$section" "$root/docs/benchmarks.md"
