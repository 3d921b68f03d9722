#!/usr/bin/env bash
# The main job: builds the tool, generates the demo recordings (four
# cameras of one drive, each with another voice codec) and a demo recorder
# disk into demo/, shows what the recordings contain, plays the four cameras
# together through the library's playback exports, finds the disk on the
# drive names, lists, plays and converts one of its recordings; does the same
# for an SD card and a device file; then starts the player program.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake --preset release >/dev/null
cmake --build --preset release -j "$(nproc)" --target brisca_tool
tool=build/release/tools/brisca
mkdir -p demo

start="2026-03-08 14:05:09"
common=(--start "$start" --duration 30 --size 640x360 --fps 25 --keyint 25 --route city --seed 2026)
codecs=(g726-32 alaw ulaw ima)
for channel in 1 2 3 4; do
  "$tool" sample stream "${common[@]}" --channel "$channel" --type 0 \
    --audio "${codecs[channel - 1]}" -o "demo/ch$channel.strm"
done
# A damaged copy of camera 1, as a worn disk returns it: noise and torn frames.
"$tool" sample stream "${common[@]}" --channel 1 --audio g726-32 --noise 5 --tear 9 \
  --truncate-end -o demo/ch1-damaged.strm

echo
"$tool" summary demo/*.strm
echo
echo "First frames of demo/ch1.strm (kind, timestamp, length, MD5; telemetry for kind 3):"
"$tool" frames demo/ch1.strm | sed -n '1,12p'

echo
echo "The four cameras played together for 10 s, headless, with a snapshot of"
echo "each at 5 s in demo/snapshots (brisca play):"
mkdir -p demo/snapshots
"$tool" play demo/ch1.strm demo/ch2.strm demo/ch3.strm demo/ch4.strm --seconds 10 \
  --snapshot-at 5000 --snapshot-dir demo/snapshots

# A recorder disk: four cameras of one moment, more cameras and recording
# causes (some recordings with two) on yesterday and today, so the player's default search window
# of the last 90 days holds them; one recording runs past midnight into
# today and is listed under yesterday. The disk search finds it on "E:".
"$tool" sample disk demo/disk.img --date "$(date +%F)"
export BRISCA_DRIVES="/nonexistent/C:/nonexistent/D:$PWD/demo/disk.img"
echo
echo "Recordings on the recorder disk (brisca list --disk):"
"$tool" list --disk
first=$("$tool" list --disk | sed -n '1s/\t.*//p')
echo
echo "First frames of recording $first read from the disk:"
"$tool" frames --disk "$first" | sed -n '1,6p'
echo
echo "Recording $first played from the disk for 3 s:"
"$tool" play "$first" --seconds 3

from=$("$tool" list --disk | sed -n '1p' | cut -f2 | cut -c12-19)
to=$("$tool" list --disk | sed -n '1p' | cut -f3 | cut -c12-19)
echo
echo "Recording $first ($from to $to) converted to demo/recording.avi (brisca convert):"
"$tool" convert "$first" --from "$from" --to "$to" -o demo/recording.avi
ffprobe -v error -show_entries stream=codec_name,width,height,sample_rate -of compact demo/recording.avi

# An SD card: a FAT32 image with two partitions of evf containers and their
# index files, found as physical drive 1. Two of its recordings are exported
# to demo/export, which reads back as an export folder.
"$tool" sample card demo/card.img --partitions 2 --files 2 --recordings 2 --seconds 4 >/dev/null
export BRISCA_PHYSICAL_DRIVES="/nonexistent:$PWD/demo/card.img"
echo
echo "Recordings on the SD card (brisca list --card):"
"$tool" list --card
echo
echo "Two of them exported and listed back from demo/export:"
"$tool" export '0\1\0' '1\2\1' -o demo/export --overwrite
"$tool" list --card --folder demo/export

# A device recording with acceleration in its telemetry.
"$tool" sample device demo/device >/dev/null
device=$(ls demo/device* | sed -n '1p')
echo
echo "The device recording $device (brisca info) and its first telemetry records:"
"$tool" info "$device"
"$tool" telemetry "$device" --format csv | sed -n '1,6p'

# The player program, with the demo disk on the drive names. With a display
# it opens its window until the operator closes it; without one it runs
# offscreen for a few seconds and shows the settings it wrote on start-up.
cmake --build --preset release -j "$(nproc)" --target corvane >/dev/null
player=build/release/corvane/corvane
echo
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  echo "Corvane Player is starting: VIDEODISC SEARCH lists the demo disk (dated today and"
  echo "yesterday), LOCAL SEARCH the demo disk image it was started on. A double click on the"
  echo "first recording plays its four cameras together; the bar under them steers. Close its"
  echo "window to end."
  "$player" "$PWD/demo/disk.img"
else
  echo "No display: Corvane Player runs offscreen for 5 s on the demo disk."
  status=0
  QT_QPA_PLATFORM=offscreen timeout 5 "$player" "$PWD/demo/disk.img" 2>/dev/null || status=$?
  [ "$status" -eq 124 ] || { echo "Corvane Player ended early (status $status)"; exit 1; }
  echo "Settings it wrote on start-up ($(dirname "$player")/config.ini):"
  cat "$(dirname "$player")/config.ini"
  echo "Screenshots of its window in every language and theme: scripts/screenshots.sh"
fi
