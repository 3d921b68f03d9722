#!/usr/bin/env bash
# Plays eight channels of 1920x1080 and eight of 704x576, each set from a
# recorder-disk image, with `brisca play` at normal speed into I420 memory
# targets, and in the same run decodes the same eight H.264 payloads one
# after another with single-threaded FFmpeg, for its CPU time. Writes the
# figures into docs/benchmarks.md between the play markers.
# usage: tests/bench/run_play_bench.sh [BUILD_DIR]   (default build/release)
#        PLAY_SECONDS sets the length of the recordings and of each play (60).
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:-$root/build/release}" && pwd)
tool=$build/tools/brisca
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
seconds=${PLAY_SECONDS:-60}
sets="704x576 1920x1080"
channels=8

# The number after "NAME": in the text on stdin (one JSON line).
field() { sed -n "s/.*\"$1\": \\([-0-9.]*\\).*/\\1/p"; }

# Sums a field over the channel lines of a play report.
channel_sum() {  # field json
  grep '"channel": ' "$2" | field "$1" | awk '{ s += $1 } END { printf "%d", s }'
}
channel_max() {  # field json
  grep '"channel": ' "$2" | field "$1" | awk 'NR == 1 || $1 > m { m = $1 } END { printf "%.1f", m }'
}

for size in $sets; do
  dir=$work/$size
  mkdir -p "$dir"
  segments=()
  # G.711 is the cheapest voice to encode; the video encoder has one speed.
  for i in $(seq 0 $((channels - 1))); do
    "$tool" sample stream --size "$size" --fps 25 --keyint 50 --duration "$seconds" \
      --audio alaw --channel $((i + 1)) --seed $((40 + i)) -o "$dir/ch$i.strm" >/dev/null
    "$tool" extract "$dir/ch$i.strm" "$dir/ch$i.h264" "$dir/ch$i.audio" >/dev/null
    segments+=(--segment "channel=$i,type=0,file=$dir/ch$i.strm")
  done
  "$tool" mkdisk "$dir/disk.img" --disk-number 1 "${segments[@]}" >/dev/null
done

# Every recording exists before anything is measured, so that playing and
# decoding run back to back.
TIMEFORMAT='%U %S'
# CPU time the whole machine spent busy, in seconds: what other processes
# took during a play is this less the player's own.
busy_seconds() {
  awk -v hz="$(getconf CLK_TCK)" '$1 == "cpu" { printf "%.2f", ($2 + $3 + $4 + $7 + $8 + $9) / hz }' /proc/stat
}
for size in $sets; do
  dir=$work/$size
  mapfile -t names < <(BRISCA_DRIVES=$dir/disk.img "$tool" list --disk | cut -f1)
  [ "${#names[@]}" -eq "$channels" ] || { echo "$size: ${#names[@]} recordings listed" >&2; exit 1; }

  busy_before=$(busy_seconds)
  "$tool" play "${names[@]}" --disk "$dir/disk.img" --seconds "$seconds" --format i420 \
    --json > "$dir/play.json"
  echo "$busy_before $(busy_seconds)" > "$dir/busy"
  cat "$dir/play.json"

  for i in $(seq 0 $((channels - 1))); do
    # Only the timing goes to the file; FFmpeg's own messages stay on stderr.
    { time ffmpeg -nostdin -v error -threads 1 -f h264 -i "$dir/ch$i.h264" -f null - 2>&3 ; } \
      3>&2 2>> "$dir/ffmpeg.times"
  done
done

cpu_of_set() {  # size
  awk '{ s += $1 + $2 } END { printf "%.2f", s }' "$work/$1/ffmpeg.times"
}

section=$work/section.md
{
  echo "Measured $(date -u +%Y-%m-%d) on $(nproc) cores ($(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'))."
  echo
  echo "Input per set: $channels generated $seconds s recordings at 25 fps (a key frame every 50"
  echo "frames, G.711 voice, GPS once a second) on one recorder-disk image, played together"
  echo "for $seconds s at normal speed into I420 memory targets that copy every picture. A frame"
  echo "is due at its channel's schedule (the median of shown time minus timestamp) plus its"
  echo "timestamp; the offset column is the largest distance of a channel's schedule from the"
  echo "synchronising channel's. FFmpeg decodes the same eight"
  echo "payloads one after another. CPU times are user + system; the per-frame ratio scales"
  echo "ours to the frames actually shown. \"Others\" is the CPU time the rest of the machine"
  echo "took while the set played."
  echo
  echo "| Set | Frames shown, of recorded | Within 10 ms of due | Largest offset from the synchronising channel | Dropped | Late (> 10 ms) | \`brisca play\` CPU | of which targets | \`ffmpeg -threads 1\` CPU, all recorded frames | Ratio | Ratio per frame | Others |"
  echo "|---|---|---|---|---|---|---|---|---|---|---|---|"
  for size in $sets; do
    json=$work/$size/play.json
    shown=$(channel_sum shown "$json")
    on_time=$(channel_sum on_time "$json")
    ours=$(field cpu_seconds < "$json")
    ffmpeg_cpu=$(cpu_of_set "$size")
    offset=$(grep '"channel": ' "$json" | field sync_offset_ms |
      awk 'NR == 1 || ($1 < 0 ? -$1 : $1) > (m < 0 ? -m : m) { m = $1 } END { printf "%.1f", m }')
    awk -v set="$channels x $size" -v shown="$shown" -v frames="$(channel_sum frames "$json")" \
      -v on_time="$on_time" -v offset="$offset" \
      -v dropped="$(channel_sum dropped "$json")" -v late="$(channel_sum late "$json")" \
      -v ours="$ours" -v targets="$(field target_cpu_seconds < "$json")" -v ffmpeg="$ffmpeg_cpu" \
      -v worst="$(channel_max worst_deviation_ms "$json")" \
      -v busy="$(awk '{ print $2 - $1 }' "$work/$size/busy")" 'BEGIN {
      ratio = ffmpeg > 0 ? ours / ffmpeg : 0
      others = busy - ours
      printf "| %s | %d of %d | %.1f %% (worst %s ms) | %s ms | %d | %d | %.2f s | %.2f s | %.2f s | %.2f | %.2f | %.2f s |\n",
        set, shown, frames, (shown ? 100 * on_time / shown : 0), worst, offset, dropped, late,
        ours, targets, ffmpeg, ratio, (shown ? ratio * frames / shown : 0),
        (others > 0 ? others : 0) }'
  done
  echo
  echo "Command: \`tests/bench/run_play_bench.sh build/release\`"
} > "$section"
cat "$section"

bash "$root/tests/bench/replace_doc_section.sh" play "$section" "$root/docs/benchmarks.md"
