#!/usr/bin/env bash
# Measures converting recordings of more than 500 MB from a recorder-disk
# image into AVI files (`brisca convert`, through the exports) against
# FFmpeg muxing the same H.264 frames into an AVI file (`ffmpeg -f h264 -r 25
# -i payload.h264 -c copy OUT.avi`), in one run, once with G.711 and once
# with G.726 voice, and writes the figures into docs/benchmarks.md between
# the convert markers.
# usage: tests/bench/run_convert_bench.sh [BUILD_DIR]   (default build/release)
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$root/build/release}
tool=$build/tools/brisca
lengthen=$build/tests/bench/long_recording
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
repeat=${REPEAT:-22}
runs=3
end=$(printf '08:%02d:59' $((repeat - 1)))
load=$(cut -d' ' -f1 /proc/loadavg)

best_ns() {  # command...: the shortest of $runs runs, each writing a new file
  local best= start elapsed
  for _ in $(seq "$runs"); do
    rm -f "$work/out.avi"
    start=$(date +%s%N)
    "$@" >/dev/null
    elapsed=$(( $(date +%s%N) - start ))
    if [ -z "$best" ] || [ "$elapsed" -lt "$best" ]; then best=$elapsed; fi
  done
  echo "$best"
}

packets() {  # avi
  ffprobe -v error -select_streams v -count_packets -show_entries stream=nb_read_packets \
    -of csv=p=0 "$1"
}

# One generated minute of 1920x1080 at 25 fps, continued as one recording
# (timestamps and clock carried on) on a disk image; converted whole, then
# FFmpeg muxes exactly the H.264 frames the conversion copied.
measure() {  # voice-codec label
  local codec=$1 label=$2
  "$tool" sample stream --size 1920x1080 --fps 25 --keyint 50 --duration 60 --audio "$codec" \
    --route highway --start "2026-06-01 08:00:00" --seed 4 -o "$work/base.strm" >/dev/null
  "$lengthen" "$work/base.strm" 60 "$repeat" "$work/long.strm"
  "$tool" mkdisk "$work/disk.img" --disk-number 1 --segment channel=0,type=0,file="$work/long.strm" >/dev/null
  local recording_bytes
  recording_bytes=$(stat -c %s "$work/long.strm")
  rm -f "$work/base.strm" "$work/long.strm"
  export BRISCA_DRIVES="$work/disk.img"
  local name
  name=$("$tool" list --disk | cut -f1)

  "$tool" convert "$name" --from 08:00:00 --to "$end" -o "$work/ours.avi" >/dev/null
  ffmpeg -nostdin -v error -i "$work/ours.avi" -map 0:v -c copy -f h264 -y "$work/payload.h264"
  local payload_bytes frames avi_bytes
  payload_bytes=$(stat -c %s "$work/payload.h264")
  frames=$(packets "$work/ours.avi")
  avi_bytes=$(stat -c %s "$work/ours.avi")
  rm -f "$work/ours.avi"

  local ours ffmpeg
  ours=$(best_ns "$tool" convert "$name" --from 08:00:00 --to "$end" -o "$work/out.avi")
  ffmpeg=$(best_ns ffmpeg -nostdin -v error -f h264 -r 25 -i "$work/payload.h264" -c copy "$work/out.avi")
  [ "$(packets "$work/out.avi")" = "$frames" ] || echo "warning: FFmpeg wrote a different frame count" >&2
  rm -f "$work/out.avi" "$work/payload.h264" "$work/disk.img"

  awk -v l="$label" -v r="$recording_bytes" -v p="$payload_bytes" -v f="$frames" -v a="$avi_bytes" \
      -v o="$ours" -v m="$ffmpeg" 'BEGIN {
    printf "| %s | %d bytes; %d frames, %d bytes of H.264 | %d bytes | %.0f ms, %.0f MB/s | %.0f ms, %.0f MB/s | %.1f |\n",
      l, r, f, p, a, o / 1e6, p / (o / 1e9) / 1e6, m / 1e6, p / (m / 1e9) / 1e6, m / o }' >> "$work/rows"
}

measure alaw "G.711 A-law"
measure g726-32 "G.726 32 kbit/s"

section=$work/section.md
{
  echo "Measured $(date -u +%Y-%m-%d) on $(nproc) cores ($(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //')),"
  echo "load average $load when measuring began."
  echo
  echo "Input: a generated minute of 1920x1080 at 25 fps (a key frame every 50 frames) continued"
  echo "$repeat times as one recording on a recorder-disk image, converted whole with"
  echo "\`brisca convert\` (a whole process: disk reader, voice decoded to PCM, AVI writer)."
  echo "FFmpeg muxes exactly the H.264 frames the conversion copied, without sound. Files in the"
  echo "page cache, every run writing a new file; best of $runs. Throughput is H.264 bytes per second."
  echo
  echo "| Voice | Recording | AVI file | \`brisca convert\` | reference: \`ffmpeg -f h264 -r 25 -i payload.h264 -c copy OUT.avi\` | Ratio |"
  echo "|---|---|---|---|---|---|"
  cat "$work/rows"
  echo
  echo "Command: \`tests/bench/run_convert_bench.sh build/release\`"
} > "$section"
cat "$section"

bash "$root/tests/bench/replace_doc_section.sh" convert "$section" "$root/docs/benchmarks.md"
