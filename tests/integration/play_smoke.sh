#!/usr/bin/env bash
# Plays two short generated recordings together with `brisca play`, from
# their stream files and from a recorder-disk image, and checks what the
# memory targets and callbacks received: every frame either shown or
# counted as dropped, one end report per channel, the synchronising
# channel's telemetry in order and complete, a snapshot of the right size.
# Then plays two recordings started 3 s apart under a script and checks
# that the sync figures are reported. Pacing and distances are printed but
# never asserted.
# usage: play_smoke.sh BRISCA_TOOL WORK_FOLDER
set -euo pipefail
tool=$1
work=$2
rm -rf "$work"
mkdir -p "$work"
failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

width=96
height=64
for i in 0 1; do
  "$tool" sample stream --size "${width}x$height" --fps 25 --keyint 50 --duration 4 \
    --channel $((i + 1)) --seed $((31 + i)) -o "$work/rec$i.strm" >/dev/null
  "$tool" frames "$work/rec$i.strm" > "$work/rec$i.frames"
done
video_frames() { awk -F'\t' '$1 == 0 || $1 == 1' "$1" | wc -l; }
telemetry_records() { awk -F'\t' '$1 == 3' "$1" | wc -l; }

# The number after "NAME": in the text on stdin (one JSON line).
field() { sed -n "s/.*\"$1\": \\([-0-9.]*\\).*/\\1/p"; }

# Checks the JSON report of a run that played rec0 and rec1 to their end.
check_report() {  # label json
  local label=$1 json=$2 i line frames shown dropped sync
  [ "$(grep -c '"channel": ' "$json")" -eq 2 ] || { fail "$label: expected 2 channels"; return; }
  grep -q '"stopped_by": "ends"' "$json" || fail "$label: not every channel reported its end"
  [ "$(field stray_end_events < "$json")" = 0 ] || fail "$label: end reports for unknown channels"
  for i in 0 1; do
    line=$(grep "\"channel\": $i," "$json")
    frames=$(field frames <<< "$line")
    shown=$(field shown <<< "$line")
    dropped=$(field dropped <<< "$line")
    [ "$frames" -eq "$(video_frames "$work/rec$i.frames")" ] ||
      fail "$label channel $i: $frames frames listed, \`brisca frames\` has $(video_frames "$work/rec$i.frames")"
    [ "$shown" -gt 0 ] || fail "$label channel $i: nothing shown"
    [ $((shown + dropped)) -eq "$frames" ] ||
      fail "$label channel $i: $shown shown + $dropped dropped != $frames frames"
    [ "$(field ends <<< "$line")" = 1 ] || fail "$label channel $i: $(field ends <<< "$line") end reports"
    [ "$(field not_in_recording <<< "$line")" = 0 ] ||
      fail "$label channel $i: pictures stamped with no frame's timestamp"
    [ "$(field refused_pictures <<< "$line")" = 0 ] ||
      fail "$label channel $i: pictures in a format the target does not accept"
    [ "$(field width <<< "$line")x$(field height <<< "$line")" = "${width}x$height" ] ||
      fail "$label channel $i: picture size $(field width <<< "$line")x$(field height <<< "$line")"
    [ -n "$(field given_up <<< "$line")" ] || fail "$label channel $i: no given_up"
  done
  grep -q '"script_actions": null' "$json" || fail "$label: script actions without a script"
  sync=$(field sync_channel < "$json")
  [ "$(field info_out_of_order < "$json")" = 0 ] || fail "$label: info records out of order"
  [ "$(field info_records < "$json")" -eq "$(telemetry_records "$work/rec$sync.frames")" ] ||
    fail "$label: $(field info_records < "$json") info records, channel $sync's recording has $(telemetry_records "$work/rec$sync.frames")"
}

check_snapshot() {  # label file
  local row=$(((width * 3 + 3) / 4 * 4))
  [ -f "$2" ] || { fail "$1: no snapshot $2"; return; }
  [ "$(stat -c %s "$2")" -eq $((54 + row * height)) ] ||
    fail "$1: snapshot $2 has $(stat -c %s "$2") bytes, expected $((54 + row * height))"
  [ "$(head -c 2 "$2")" = BM ] || fail "$1: $2 is not a BMP file"
}

# Stream files of the host, I420 targets, a snapshot of each channel.
"$tool" play "$work/rec0.strm" "$work/rec1.strm" --json \
  --snapshot-at 1000 --snapshot-dir "$work/snapshots" > "$work/files.json"
cat "$work/files.json"
check_report files "$work/files.json"
check_snapshot files "$work/snapshots/channel0.bmp"
check_snapshot files "$work/snapshots/channel1.bmp"

# The same recordings on a recorder disk found on the drive names, played
# by their listed names into RGB565 targets.
"$tool" mkdisk "$work/disk.img" --disk-number 3 \
  --segment "channel=0,type=0,file=$work/rec0.strm" \
  --segment "channel=1,type=0,file=$work/rec1.strm" >/dev/null
export BRISCA_DRIVES="/nonexistent/C:$work/disk.img"  # the disk is "D:"
"$tool" list --disk > "$work/list.txt"
mapfile -t names < <(cut -f1 "$work/list.txt")
if [ "${#names[@]}" -ne 2 ]; then
  fail "disk: expected 2 listed recordings, got ${#names[@]}"
else
  "$tool" play "${names[0]}" "${names[1]}" --format rgb565 --json > "$work/disk.json"
  cat "$work/disk.json"
  check_report disk "$work/disk.json"

  # The image named directly, BGR24 targets.
  BRISCA_DRIVES='' "$tool" play "${names[0]}" "${names[1]}" --disk "$work/disk.img" \
    --format bgr24 --json > "$work/image.json"
  check_report image "$work/image.json"
fi

# Two recordings whose clocks start 3 s apart, under a script that pauses
# and seeks: each channel has a distance (none for the synchronising one),
# each action its two windows.
for i in 0 1; do
  "$tool" sample stream --size "${width}x$height" --fps 25 --keyint 50 --duration 6 \
    --channel $((i + 1)) --seed $((41 + i)) --start "2026-03-08 14:05:0$((3 * i))" \
    -o "$work/apart$i.strm" >/dev/null
done
if "$tool" play "$work/apart0.strm" "$work/apart1.strm" --json \
    --script "wait 1500; pause 1000; wait 1000; seek 2000; wait 1500" > "$work/script.json"; then
  cat "$work/script.json"
  json=$work/script.json
  grep -q '"stopped_by": "script"' "$json" || fail "script: playing did not stop with the script"
  sync=$(field sync_channel < "$json")
  for i in 0 1; do
    line=$(grep "\"channel\": $i," "$json")
    [ "$(field shown <<< "$line")" -gt 0 ] || fail "script channel $i: nothing shown"
    [ -n "$(field given_up <<< "$line")" ] || fail "script channel $i: no given_up"
    if [ "$i" = "$sync" ]; then
      grep -q '"sync_distance_ms": null' <<< "$line" ||
        fail "script: the synchronising channel has a distance from itself"
    else
      grep -Eq '"sync_distance_ms": (null|[0-9.]+),' <<< "$line" ||
        fail "script channel $i: no sync_distance_ms"
    fi
  done
  actions=$(grep -E '"action": "(pause|seek)", "value": [0-9]+, "at_ms": [0-9.]+, "settling": (null|[0-9.]+), "after_ms": (null|[0-9.]+)' "$json" | cut -d'"' -f4 | paste -sd' ')
  [ "$actions" = "pause seek" ] || fail "script: actions reported: '$actions', expected 'pause seek'"
else
  fail "playing under a script failed"
fi

# A bad script is refused before anything plays, naming the step.
if "$tool" play "$work/apart0.strm" --script "wait 100; jump 5" > /dev/null 2> "$work/script.err"; then
  fail "a script with an unknown step was accepted"
fi
grep -q 'step 2: unknown step "jump"' "$work/script.err" || fail "the script error does not name the step"

# A recording that does not exist fails with its name in the message.
if "$tool" play "$work/rec0.strm" "9\\1\\1" > /dev/null 2> "$work/missing.err"; then
  fail "playing a missing recording succeeded"
fi
grep -qF '9\1\1' "$work/missing.err" || fail "the error does not name the missing recording"

if [ "$failures" -ne 0 ]; then
  echo "play smoke: $failures failure(s)"
  exit 1
fi
echo "play smoke: both channels complete from files, the disk and the image; a script ran"
