#!/usr/bin/env bash
# Writes a fuzz target's seed corpus. The output folder is named after the
# target (corpus/<target>): the stream fuzzer gets small generated
# recordings, clean and damaged, behind its two control bytes;
# tvfs_mount_fuzzer gets small recorder-disk images behind its three, and
# disk_recording_fuzzer the same images as they are.
# usage: make_seed_corpus.sh BRISCA_TOOL OUTPUT_FOLDER
set -euo pipefail
tool=$1
out=$2
mkdir -p "$out"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

seed() {  # name control-bytes sample-options...
  local name=$1 control=$2
  shift 2
  "$tool" sample stream --size 96x64 --duration 2 --fps 5 --keyint 5 "$@" -o "$tmp/$name" >/dev/null
  { printf "$control"; head -c 65536 "$tmp/$name"; } > "$out/$name"
}

stream_seeds() {
  seed clean-g726 '\x00\x00' --audio g726-32
  seed clean-alaw '\x03\x10' --audio alaw --hemisphere SW
  seed clean-ima '\xff\xff' --audio ima
  seed noisy '\x01\x02' --audio ulaw --noise 2 --seed 7
  seed torn '\x10\x00' --audio g726-16 --tear 3 --truncate-end --seed 9
  seed no-audio '\x05\x40' --audio none --gps-loss
}

recording() {  # name start duration
  "$tool" sample stream --size 96x64 --duration "$3" --fps 2 --keyint 2 --audio none \
    --start "$2" -o "$tmp/$1" >/dev/null
}

with_control=1
disk_seed() {  # name control-bytes mkdisk-arguments...
  local name=$1 control=$2
  shift 2
  "$tool" mkdisk "$tmp/$name.img" "$@" >/dev/null
  [ "$with_control" -eq 1 ] || control=
  { printf "$control"; cat "$tmp/$name.img"; } > "$out/$name"
}

disk_seeds() {
  recording morning "2026-03-07 08:00:00" 3
  recording noon "2026-03-07 12:00:00" 2
  recording late "2026-03-07 23:59:58" 3
  recording next "2026-03-08 07:30:00" 2
  disk_seed one-segment '\x00\x00\x00' --disk-number 1 --segment channel=0,type=0,file="$tmp/morning"
  disk_seed two-dates '\x13\x00\x00' --disk-number 2 \
    --segment channel=0,type=0,file="$tmp/morning" --segment channel=1,type=1,file="$tmp/noon" \
    --segment channel=3,type=2,file="$tmp/late" --segment channel=2,type=3,file="$tmp/next"
  disk_seed short-reads '\x01\x05\x00' --disk-number 3 \
    --segment channel=0,type=0,file="$tmp/noon" --segment channel=1,type=0,file="$tmp/noon"
  disk_seed size-lies '\x40\x00\x10' --disk-number 4 --segment channel=5,type=3,file="$tmp/late"
}

case "$(basename "$out")" in
  stream_scan_fuzzer) stream_seeds ;;
  tvfs_mount_fuzzer) disk_seeds ;;
  disk_recording_fuzzer) with_control=0; disk_seeds ;;
  *) echo "make_seed_corpus.sh: no seeds for $(basename "$out")" >&2; exit 2 ;;
esac
