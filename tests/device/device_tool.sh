#!/usr/bin/env bash
# The device-file commands end to end: a generated recording (with a spell
# without a GPS fix) summarised by `brisca info`, its telemetry written as
# CSV and as a GPX track; the track validates against the GPX 1.1 structure
# and holds exactly the fixes of the file, in order, at their positions.
# usage: device_tool.sh BRISCA_TOOL SCHEMA WORK_FOLDER
set -euo pipefail
tool=$1
schema=$2
work=$3
rm -rf "$work"
mkdir -p "$work"
file=$work/001-01-260308-140509-00d0001.dav

"$tool" sample device "$file" --size 96x64 --fps 10 --keyint 20 --duration 40 --info-rate 4 \
  --gps-loss --route highway --hemisphere SW --audio alaw --device-type kvr_rec_40xx \
  --channel 2 --type 1 --text-a PLATE-7 > "$work/sample.txt"
blocks=$(sed -E 's/.* ([0-9]+) telemetry blocks \(([0-9]+) fixes\).*/\1/' "$work/sample.txt")
fixes=$(sed -E 's/.* ([0-9]+) telemetry blocks \(([0-9]+) fixes\).*/\2/' "$work/sample.txt")

"$tool" info "$file" > "$work/info.txt"
grep -qx 'device type      kvr_rec_40x' "$work/info.txt"
grep -qx 'start time       2026-03-08 14:05:09' "$work/info.txt"
grep -qx 'channel          2' "$work/info.txt"
grep -qx 'record type      1' "$work/info.txt"
grep -qx 'text A           PLATE-7' "$work/info.txt"

"$tool" telemetry "$file" --format csv -o "$work/track.csv"
"$tool" telemetry "$file" --format gpx -o "$work/track.gpx"
rows=$(($(wc -l < "$work/track.csv") - 1))
csv_fixes=$(awk -F, 'NR > 1 && $3 == 1' "$work/track.csv" | wc -l)
[ "$rows" -eq "$blocks" ] || { echo "CSV has $rows records, the file $blocks"; exit 1; }
[ "$csv_fixes" -eq "$fixes" ] || { echo "CSV has $csv_fixes fixes, the file $fixes"; exit 1; }
[ "$fixes" -lt "$blocks" ] || { echo "the GPS loss left no record without a fix"; exit 1; }

xmllint --noout --schema "$schema" "$work/track.gpx"
points=$(grep -c '<trkpt ' "$work/track.gpx")
[ "$points" -eq "$fixes" ] || { echo "GPX has $points points, the file $fixes fixes"; exit 1; }
# The same positions and times, in the same order; south and west negative.
awk -F, 'NR > 1 && $3 == 1 { print $4, $5, $2 }' "$work/track.csv" > "$work/csv-points.txt"
sed -nE 's/.*<trkpt lat="([^"]+)" lon="([^"]+)"><time>([^<]+)<\/time>.*/\1 \2 \3/p' \
  "$work/track.gpx" > "$work/gpx-points.txt"
cmp "$work/csv-points.txt" "$work/gpx-points.txt"
awk '$1 >= 0 || $2 >= 0 { bad = 1 } END { exit bad }' "$work/gpx-points.txt"
# Accelerations in g: gravity on the vertical axis.
awk -F, 'NR > 1 && ($10 < 0.8 || $10 > 1.2) { bad = 1 } END { exit bad }' "$work/track.csv"

# OUT naming the recording itself is refused before anything is opened for
# writing: the evidence stays as it was.
cp "$file" "$work/original.dav"
if "$tool" telemetry "$file" --format csv -o "$file" 2>/dev/null; then
  echo "telemetry wrote over its own input"; exit 1
fi
cmp "$file" "$work/original.dav"

# A file that is no device recording is refused by both commands.
head -c 70000 /dev/zero > "$work/zeros.dav"
if "$tool" info "$work/zeros.dav" 2>/dev/null; then echo "info accepted zeros"; exit 1; fi
if "$tool" telemetry "$work/zeros.dav" --format gpx 2>/dev/null; then
  echo "telemetry accepted zeros"; exit 1
fi
echo "device tool: $blocks records, $fixes fixes, GPX valid"
