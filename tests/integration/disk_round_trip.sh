#!/usr/bin/env bash
# Round trip through a recorder disk: generated recordings are written into a
# disk image, the disk is found on the drive names and listed, and every
# recording read back through the disk reader (`brisca frames --disk`) must
# list exactly the frames the generator wrote.
# usage: disk_round_trip.sh BRISCA_TOOL WORK_FOLDER
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

# Three recordings in list order (by date, start time, channel), a fourth
# that runs past midnight and so is not listed.
starts=("2026-05-01 09:00:00" "2026-05-01 09:00:00" "2026-05-02 17:30:10" "2026-05-02 23:59:55")
channels=(0 2 1 3)
segments=()
for i in 0 1 2 3; do
  "$tool" sample stream --start "${starts[i]}" --duration 8 --size 176x144 --fps 10 --keyint 10 \
    --channel $((channels[i] + 1)) --audio alaw --seed $((20 + i)) \
    -o "$work/rec$i.strm" --truth "$work/rec$i.truth" >/dev/null
  segments+=(--segment "channel=${channels[i]},type=$i,file=$work/rec$i.strm")
done
"$tool" mkdisk "$work/disk.img" --disk-number 5 "${segments[@]}" >/dev/null

export BRISCA_DRIVES="/nonexistent/C:$work/disk.img"  # the disk is "D:"
"$tool" list --disk > "$work/list.txt"
[ "$(wc -l < "$work/list.txt")" -eq 3 ] || fail "expected 3 listed recordings, got $(wc -l < "$work/list.txt")"
expected_channels="1 3 2"
[ "$(cut -f7 "$work/list.txt" | tr '\n' ' ' | sed 's/ $//')" = "$expected_channels" ] ||
  fail "channels listed: $(cut -f7 "$work/list.txt" | tr '\n' ' ')"
[ "$(cut -f6 "$work/list.txt" | sort -u)" = "7000" ] || fail "durations: $(cut -f6 "$work/list.txt" | tr '\n' ' ')"
"$tool" list --disk --json > "$work/list.json"
[ "$(grep -c '"name"' "$work/list.json")" -eq 3 ] || fail "JSON listing"

i=0
while IFS=$'\t' read -r name _; do
  "$tool" frames --disk "$name" > "$work/disk$i.frames" || fail "reading $name"
  diff -q "$work/rec$i.truth" "$work/disk$i.frames" >/dev/null ||
    fail "$name: frames differ from the generator's"
  i=$((i + 1))
done < "$work/list.txt"

if [ "$failures" -ne 0 ]; then
  echo "disk round trip: $failures failure(s)"
  exit 1
fi
echo "disk round trip: listing and every recording match"
