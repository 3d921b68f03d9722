#!/usr/bin/env bash
# `brisca telemetry NAME --disk IMAGE|--card IMAGE` end to end: a generated
# recording (with a spell without a GPS fix) on a recorder-disk image and a
# recording of an SD-card image, each written as CSV and as GPX. The disk's
# CSV must hold exactly the generator's telemetry records (time, fix,
# position, in order); card containers carry none, so theirs is empty. The
# GPX validates against the GPX 1.1 structure and holds the CSV's fixes.
# Unknown names, the wrong kind of image and an OUT that is the medium read
# are refused, leaving the medium as it was.
# usage: telemetry_sources.sh BRISCA_TOOL SCHEMA WORK_FOLDER
set -euo pipefail
tool=$1
schema=$2
work=$3
rm -rf "$work"
mkdir -p "$work"
failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

"$tool" sample stream --size 96x64 --fps 10 --keyint 10 --duration 20 --gps-loss \
  --hemisphere SW --route highway --seed 7 -o "$work/rec.strm" --truth "$work/rec.truth" >/dev/null
"$tool" mkdisk "$work/disk.img" --disk-number 2 --segment "channel=0,type=8,file=$work/rec.strm" \
  >/dev/null
"$tool" sample card "$work/card.img" --files 1 --recordings 2 --seconds 2 --channels 1 --open 0 \
  --size 96x64 >/dev/null
disk_name=$("$tool" list --source "$work/disk.img" | cut -f1)
card_name=$("$tool" list --source "$work/card.img" | head -n 1 | cut -f1)

# What the generator wrote: microseconds, fix, latitude, longitude, clock.
awk -F'\t' '$1 == 3 { print $2 "000", ($6 == "A"), $8, $9, $5 }' "$work/rec.truth" \
  > "$work/disk.expected"
: > "$work/card.expected"
[ "$(awk '$2 == 0' "$work/disk.expected" | wc -l)" -gt 0 ] || fail "the GPS loss left every fix"

# medium  image  name
cases=("disk|$work/disk.img|$disk_name" "card|$work/card.img|$card_name")
for case in "${cases[@]}"; do
  IFS='|' read -r medium image name <<< "$case"
  out=$work/$medium
  "$tool" telemetry "$name" "--$medium" "$image" --format csv -o "$out.csv" 2> "$out.csv.err" ||
    { fail "$medium csv: $(cat "$out.csv.err")"; continue; }
  "$tool" telemetry "$name" "--$medium" "$image" --format gpx -o "$out.gpx" 2> "$out.gpx.err" ||
    { fail "$medium gpx: $(cat "$out.gpx.err")"; continue; }
  awk -F, 'NR > 1 { t = $2; sub("T", " ", t); print $1, $3, $4, $5, substr(t, 1, 19) }' \
    "$out.csv" > "$out.got"
  cmp -s "$out.got" "$work/$medium.expected" ||
    fail "$medium: the CSV's $(wc -l < "$out.got") records differ from the $(wc -l < "$work/$medium.expected") expected"
  xmllint --noout --schema "$schema" "$out.gpx" 2>/dev/null || fail "$medium: GPX is not valid"
  fixes=$(awk -F, 'NR > 1 && $3 == 1 && $4 != ""' "$out.csv" | wc -l)
  points=$(grep -c '<trkpt ' "$out.gpx" || true)
  [ "$points" -eq "$fixes" ] || fail "$medium: GPX has $points points, the CSV $fixes fixes"
done
grep -q 'card recordings carry no telemetry' "$work/card.csv.err" ||
  fail "the empty card track is not explained"

# Refusals: exit status 1, the reason on stderr, the medium untouched.
sum_before=$(cat "$work/disk.img" "$work/card.img" | md5sum)
refusals=(
  "9\\9\\9|--disk|$work/disk.img|/dev/null|is not among the 1 recordings of"
  "9\\9\\9|--card|$work/card.img|/dev/null|is not among the"
  "$disk_name|--disk|$work/card.img|/dev/null|is no recorder-disk image but an SD card's"
  "$card_name|--card|$work/disk.img|/dev/null|is no SD-card image or export folder but a recorder disk's"
  "$disk_name|--disk|$work/disk.img|$work/disk.img|which is read; nothing was written"
  "$card_name|--card|$work/card.img|$work/card.img|which is read; nothing was written"
)
for refusal in "${refusals[@]}"; do
  IFS='|' read -r name option image output message <<< "$refusal"
  status=0
  "$tool" telemetry "$name" "$option" "$image" --format gpx -o "$output" 2> "$work/refused.err" ||
    status=$?
  [ "$status" -eq 1 ] || fail "$name $option $image -o $output: exit status $status"
  grep -qF -- "$message" "$work/refused.err" ||
    fail "$name $option $image: '$(cat "$work/refused.err")' lacks '$message'"
done
[ "$(cat "$work/disk.img" "$work/card.img" | md5sum)" = "$sum_before" ] ||
  fail "a refused run changed an image"

if [ "$failures" -ne 0 ]; then
  echo "telemetry sources: $failures failure(s)"
  exit 1
fi
echo "telemetry sources: disk $(wc -l < "$work/disk.expected") records, card none, refusals held"
