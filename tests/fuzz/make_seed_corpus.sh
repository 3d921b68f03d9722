#!/usr/bin/env bash
# Writes a fuzz target's seed corpus. The output folder is named after the
# target (corpus/<target>): the stream fuzzer gets small generated
# recordings, clean and damaged, behind its two control bytes;
# tvfs_mount_fuzzer gets small recorder-disk images behind its three, and
# disk_recording_fuzzer the same images as they are; h264_decoder_fuzzer
# gets the H.264 payloads of small recordings, one of them cut short;
# voice_decoder_fuzzer gets real voice frames of every codec;
# avi_conversion_fuzzer gets small recordings behind a time range.
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

h264_seed() {  # name sample-options...
  local name=$1
  shift
  "$tool" sample stream --duration 1 "$@" -o "$tmp/$name.strm" >/dev/null
  "$tool" extract "$tmp/$name.strm" "$out/$name" "$tmp/$name.audio" >/dev/null
}

h264_seeds() {
  h264_seed tiny --size 96x64 --fps 5 --keyint 5
  h264_seed two-keys --size 64x48 --fps 4 --keyint 2
  head -c 1500 "$out/tiny" > "$out/tiny-cut"
}

# Four real voice frames per codec behind the codec identifier, each frame
# (voice header and codec data cut from `brisca extract` output) behind its
# length in 16-bit words.
voice_seeds() {
  local spec codec id block skip words frame
  for spec in g726-16:01:80 g726-24:01:120 g726-32:01:160 g726-40:01:200 \
              alaw:02:320 ulaw:03:320 ima:04:164; do
    IFS=: read -r codec id block <<< "$spec"
    "$tool" sample stream --size 96x64 --duration 2 --fps 5 --keyint 5 --audio "$codec" \
      -o "$tmp/$codec.strm" >/dev/null
    "$tool" extract "$tmp/$codec.strm" "$tmp/$codec.h264" "$tmp/$codec.audio" >/dev/null
    skip=0
    [ "$codec" = ima ] && skip=48  # the WAV header extract puts before the blocks
    words=$((block / 2))
    {
      printf "\\x$id"
      for frame in 0 1 2 3; do
        printf "\\x$(printf %02x $((words + 2)))\\x00\\x01\\x$(printf %02x $words)\\x00"
        head -c $((skip + (frame + 1) * block)) "$tmp/$codec.audio" | tail -c "$block"
      done
    } > "$out/voice-$codec"
  done
}

# Small recordings behind the start and end hour, minute and second: ranges
# inside, around and after them, unreadable times, damaged streams.
conversion_seed() {  # name control-bytes sample-options...
  local name=$1 control=$2
  shift 2
  "$tool" sample stream --size 96x64 --duration 6 --fps 5 --keyint 5 \
    --start "2026-03-08 10:00:00" "$@" -o "$tmp/$name" >/dev/null
  { printf "$control"; head -c 200000 "$tmp/$name"; } > "$out/$name"
}

conversion_seeds() {
  conversion_seed inside '\x0a\x00\x01\x0a\x00\x04' --audio alaw
  conversion_seed around '\x09\x00\x00\x0b\x00\x00' --audio g726-24
  conversion_seed after '\x0b\x00\x00\x0b\x00\x05' --audio ima
  conversion_seed unreadable '\x0a\x00\x01\xff\xff\xff' --audio ulaw
  conversion_seed noisy '\x0a\x00\x00\x0a\x00\x05' --audio g726-40 --noise 2 --seed 7
  conversion_seed torn '\x0a\x00\x02\x0a\x00\x05' --audio alaw --tear 3 --truncate-end --seed 9
}

case "$(basename "$out")" in
  stream_scan_fuzzer) stream_seeds ;;
  voice_decoder_fuzzer) voice_seeds ;;
  tvfs_mount_fuzzer) disk_seeds ;;
  disk_recording_fuzzer) with_control=0; disk_seeds ;;
  h264_decoder_fuzzer) h264_seeds ;;
  avi_conversion_fuzzer) conversion_seeds ;;
  *) echo "make_seed_corpus.sh: no seeds for $(basename "$out")" >&2; exit 2 ;;
esac
