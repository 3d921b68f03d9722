#!/usr/bin/env bash
# Plays eight 704x576 channels whose recordings started up to 10 s apart
# with `brisca play`, once under a script that pauses, seeks, plays
# backward and changes the rate, and once without a script for as long
# (the reference for the CPU time). Writes how far the channels were from
# showing the same wall-clock moment, and the frames they gave up, into
# docs/benchmarks.md between the sync markers.
# usage: tests/bench/run_sync_bench.sh [BUILD_DIR]   (default build/release)
#        SYNC_SECONDS sets the length of the recordings (60); SYNC_SCRIPT
#        replaces the script (its seeks must stay within the recordings).
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:-$root/build/release}" && pwd)
tool=$build/tools/brisca
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
seconds=${SYNC_SECONDS:-60}
script=${SYNC_SCRIPT:-"wait 12000; pause 3000; wait 6000; seek 20000; wait 6000; reverse -1; wait 4000; rate 0; wait 4000; rate -1; wait 4000; rate 0; wait 4000; seek 40000; wait 8000"}
# Seconds after the first recording's start at which each channel's began.
offsets=(0 3 10 1 6 8 2 5)

# The value after "NAME": in the text on stdin (one JSON line), null kept.
field() { sed -n -E "s/.*\"$1\": (null|[-0-9.]+).*/\\1/p"; }
# The largest of the numbers on stdin, "-" when there are none.
largest() { awk '$1 != "null" && (!n++ || $1 > m) { m = $1 } END { if (n) printf "%.1f", m; else printf "-" }'; }
channel_sum() {  # field json
  grep '"channel": ' "$2" | field "$1" | awk '{ s += $1 } END { printf "%d", s }'
}

# Everything the script waits for, in seconds: the length of the run
# without it.
total=$(tr ';' '\n' <<< "$script" | awk '
  $1 == "wait" || $1 == "pause" { ms += $2 }
  $1 == "step" { ms += 100 * $2 }
  END { printf "%.3f", ms / 1000 }')

files=()
for i in "${!offsets[@]}"; do
  "$tool" sample stream --size 704x576 --fps 25 --keyint 50 --duration "$seconds" \
    --audio alaw --channel $((i + 1)) --seed $((60 + i)) \
    --start "$(printf '2026-03-08 14:05:%02d' "${offsets[$i]}")" -o "$work/ch$i.strm" >/dev/null
  files+=("$work/ch$i.strm")
done

"$tool" play "${files[@]}" --script "$script" --json > "$work/script.json"
cat "$work/script.json"
"$tool" play "${files[@]}" --seconds "$total" --json > "$work/plain.json"
cat "$work/plain.json"

section=$work/section.md
{
  echo "Measured $(date -u +%Y-%m-%d) on $(nproc) cores ($(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'))."
  echo
  echo "Input: ${#offsets[@]} generated $seconds s recordings, 704x576 at 25 fps (a key frame every"
  echo "50 frames, G.711 voice), started ${offsets[*]} s after the first, played from"
  echo "their stream files into I420 memory targets. A follower's distance is how far the"
  echo "wall-clock moment of a picture it showed lay from the nearer of the synchronising"
  echo "channel's pictures shown just before and just after; moments one of the two"
  echo "recordings does not cover are left out. Frames given up are those a channel"
  echo "skipped between two pictures while playing forward at normal speed."
  echo
  echo "| Run | Played | Largest distance | Frames given up | \`brisca play\` CPU |"
  echo "|---|---|---|---|---|"
  for run in plain script; do
    json=$work/$run.json
    label="no script, 1X"
    [ "$run" = script ] && label="the script below"
    echo "| $label | $(field played_seconds < "$json") s | $(grep '"channel": ' "$json" | field sync_distance_ms | largest) ms | $(channel_sum given_up "$json") | $(field cpu_seconds < "$json") s |"
  done
  echo
  echo "Script: \`$script\`. Largest distance over all channels after each action:"
  echo
  echo "| At | Action | Within 200 ms | Afterwards, until the next action |"
  echo "|---|---|---|---|"
  grep '"action": ' "$work/script.json" | while read -r line; do
    action=$(sed -n 's/.*"action": "\([a-z]*\)".*/\1/p' <<< "$line")
    case $action in rate | reverse | step) unit="" ;; *) unit=" ms" ;; esac
    awk -v at="$(field at_ms <<< "$line")" -v what="$action $(field value <<< "$line")$unit" \
      -v settling="$(field settling <<< "$line")" -v after="$(field after_ms <<< "$line")" 'BEGIN {
      printf "| %.1f s | %s | %s | %s |\n", at / 1000, what,
        (settling == "null" ? "-" : settling " ms"), (after == "null" ? "-" : after " ms") }'
  done
  echo
  echo "Command: \`tests/bench/run_sync_bench.sh build/release\`"
} > "$section"
cat "$section"

bash "$root/tests/bench/replace_doc_section.sh" sync "$section" "$root/docs/benchmarks.md"
