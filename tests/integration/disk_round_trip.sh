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

# Four recordings in list order (by date, start time, channel), the last
# running past midnight into the next year; record types are cause bits,
# given in decimal and in hex.
starts=("2026-05-01 09:00:00" "2026-05-01 09:00:00" "2026-05-02 17:30:10" "2026-12-31 23:59:55")
channels=(0 2 1 3)
types=(8 32 72 0x28)
segments=()
for i in 0 1 2 3; do
  "$tool" sample stream --start "${starts[i]}" --duration 8 --size 176x144 --fps 10 --keyint 10 \
    --channel $((channels[i] + 1)) --audio alaw --seed $((20 + i)) \
    -o "$work/rec$i.strm" --truth "$work/rec$i.truth" >/dev/null
  segments+=(--segment "channel=${channels[i]},type=${types[i]},file=$work/rec$i.strm")
done
"$tool" mkdisk "$work/disk.img" --disk-number 5 "${segments[@]}" >/dev/null

export BRISCA_DRIVES="/nonexistent/C:$work/disk.img"  # the disk is "D:"
"$tool" list --disk > "$work/list.txt"
[ "$(wc -l < "$work/list.txt")" -eq 4 ] || fail "expected 4 listed recordings, got $(wc -l < "$work/list.txt")"
column() { cut -f"$1" "$work/list.txt" | tr '\n' ' ' | sed 's/ $//'; }
[ "$(column 7)" = "1 3 2 4" ] || fail "channels listed: $(column 7)"
[ "$(cut -f6 "$work/list.txt" | sort -u)" = "7000" ] || fail "durations: $(column 6)"
[ "$(column 8)" = "0x08 0x20 0x48 0x28" ] || fail "types listed: $(column 8)"
[ "$(column 9)" = "manual emergency manual|dms manual|emergency" ] || fail "causes listed: $(column 9)"
[ "$(sed -n 4p "$work/list.txt" | cut -f2-5)" = \
  "$(printf '2026-12-31 23:59:55\t2027-01-01 00:00:02\t86395000\t86402000')" ] ||
  fail "recording past midnight: $(sed -n 4p "$work/list.txt")"
"$tool" list --disk --json > "$work/list.json"
[ "$(grep -c '"name"' "$work/list.json")" -eq 4 ] || fail "JSON listing"
grep -q '"record_type": 72, "causes": \["manual", "dms"\]' "$work/list.json" || fail "JSON causes"

# A drive the user may not read is named instead of "no disk" (root reads
# everything, so the check needs another user).
if [ "$(id -u)" -ne 0 ]; then
  cp "$work/disk.img" "$work/locked.img"
  chmod 000 "$work/locked.img"
  status=0
  BRISCA_DRIVES="/nonexistent:$work/locked.img" "$tool" list --disk 2> "$work/denied.err" >/dev/null ||
    status=$?
  [ "$status" -eq 1 ] || fail "unreadable drive: exit status $status"
  grep -q "cannot read $work/locked.img: permission denied" "$work/denied.err" ||
    fail "unreadable drive: $(cat "$work/denied.err")"
  chmod 600 "$work/locked.img"
fi

i=0
while IFS=$'\t' read -r name _; do
  "$tool" frames --disk "$name" > "$work/disk$i.frames" || fail "reading $name"
  diff -q "$work/rec$i.truth" "$work/disk$i.frames" >/dev/null ||
    fail "$name: frames differ from the generator's"
  i=$((i + 1))
done < "$work/list.txt"

# The demo disk on a chosen date and the day before (here a leap day, so
# the recording past midnight ends on March 1st), the same bytes for the
# same options, and its recordings readable.
"$tool" sample disk "$work/demo.img" --date 2024-03-01 >/dev/null
"$tool" sample disk "$work/demo-again.img" --date 2024-03-01 >/dev/null
cmp -s "$work/demo.img" "$work/demo-again.img" || fail "sample disk: same options, other bytes"
BRISCA_DRIVES="$work/demo.img" "$tool" list --disk > "$work/demo.txt"
[ "$(cut -f2 "$work/demo.txt" | cut -c1-10 | sort -u | tr '\n' ' ')" = "2024-02-29 2024-03-01 " ] ||
  fail "sample disk dates: $(cut -f2 "$work/demo.txt" | tr '\n' ' ')"
grep -q $'\t2024-02-29 23:59:52\t2024-03-01 00:00:07\t' "$work/demo.txt" ||
  fail "sample disk: no recording past midnight"
[ "$(cut -f8 "$work/demo.txt" | sort -u | tr '\n' ' ')" = "0x08 0x10 0x18 0x20 0x28 0x40 0x48 " ] ||
  fail "sample disk types: $(cut -f8 "$work/demo.txt" | tr '\n' ' ')"
while IFS=$'\t' read -r name _; do
  [ "$(BRISCA_DRIVES="$work/demo.img" "$tool" frames --disk "$name" | wc -l)" -gt 100 ] ||
    fail "sample disk: $name reads short"
done < "$work/demo.txt"

# A benchmark disk: ten thousand tiny recordings on six dates up to the
# date, every one listed and readable.
"$tool" sample disk "$work/big.img" --recordings 10000 --date 2026-01-02 >/dev/null
BRISCA_DRIVES="$work/big.img" "$tool" list --disk > "$work/big.txt"
[ "$(wc -l < "$work/big.txt")" -eq 10000 ] || fail "big disk: $(wc -l < "$work/big.txt") listed"
[ "$(cut -f2 "$work/big.txt" | cut -c1-10 | sort -u | sed -n '1p;$p' | tr '\n' ' ')" = \
  "2025-12-28 2026-01-02 " ] || fail "big disk dates"
[ "$(cut -f7 "$work/big.txt" | sort -u | tr '\n' ' ')" = "1 2 3 4 " ] || fail "big disk channels"
last=$(sed -n '$s/\t.*//p' "$work/big.txt")
[ "$(BRISCA_DRIVES="$work/big.img" "$tool" frames --disk "$last" | wc -l)" -eq 3 ] ||
  fail "big disk: $last does not read 3 frames"

if [ "$failures" -ne 0 ]; then
  echo "disk round trip: $failures failure(s)"
  exit 1
fi
echo "disk round trip: listing and every recording match"
