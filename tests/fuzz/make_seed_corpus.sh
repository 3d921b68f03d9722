#!/usr/bin/env bash
# Writes a fuzz target's seed corpus. The output folder is named after the
# target (corpus/<target>): the stream fuzzer gets small generated
# recordings, clean and damaged, behind its two control bytes;
# tvfs_mount_fuzzer gets small recorder-disk images behind its three, and
# disk_recording_fuzzer the same images as they are; h264_decoder_fuzzer
# gets the H.264 payloads of small recordings, one of them cut short;
# voice_decoder_fuzzer gets real voice frames of every codec;
# avi_conversion_fuzzer gets small recordings behind a time range;
# fat_volume_fuzzer gets small FAT volumes made by mkfs.fat and mcopy.
# device_file_fuzzer gets small device recording files behind a control byte.
# card_index_fuzzer gets card index files of generated export folders and
# evf_reader_fuzzer their containers behind two control bytes, and
# card_export_fuzzer behind seven.
# bmp_writer_fuzzer gets pictures behind six control bytes.
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
    --segment channel=0,type=8,file="$tmp/morning" --segment channel=1,type=0x28,file="$tmp/noon" \
    --segment channel=3,type=0x10,file="$tmp/late" --segment channel=2,type=0x48,file="$tmp/next"
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

# Small recordings behind the start and end hour, minute and second and the
# two write-failure bytes: ranges inside, around and after them, unreadable
# times, damaged streams, a disk that fills up and a failing final header.
conversion_seed() {  # name control-bytes sample-options...
  local name=$1 control=$2
  shift 2
  "$tool" sample stream --size 96x64 --duration 6 --fps 5 --keyint 5 \
    --start "2026-03-08 10:00:00" "$@" -o "$tmp/$name" >/dev/null
  { printf "$control"; head -c 200000 "$tmp/$name"; } > "$out/$name"
}

conversion_seeds() {
  conversion_seed inside '\x0a\x00\x01\x0a\x00\x04\x00\x00' --audio alaw
  conversion_seed around '\x09\x00\x00\x0b\x00\x00\x00\x00' --audio g726-24
  conversion_seed after '\x0b\x00\x00\x0b\x00\x05\x00\x00' --audio ima
  conversion_seed unreadable '\x0a\x00\x01\xff\xff\xff\x00\x00' --audio ulaw
  conversion_seed noisy '\x0a\x00\x00\x0a\x00\x05\x00\x00' --audio g726-40 --noise 2 --seed 7
  conversion_seed torn '\x0a\x00\x02\x0a\x00\x05\x00\x00' --audio alaw --tear 3 --truncate-end --seed 9
  conversion_seed disk-full '\x0a\x00\x00\x0a\x00\x05\x04\x04' --audio alaw
  conversion_seed header-fails '\x0a\x00\x00\x0a\x00\x05\x06\x02' --audio ulaw
}

# Small FAT volumes with 4096-byte sectors made by mkfs.fat and filled by
# mcopy, behind five control bytes (chunk size, split point, hole length):
# FAT12 and FAT16 as they are, FAT32 with its empty FAT sectors taken out as
# the hole, and a FAT12 volume behind a partition table.
fat_fill() {  # image [offset]
  local image=$1 target=$1
  [ $# -gt 1 ] && target="$1@@$2"
  head -c 5000 /dev/urandom > "$tmp/index00.bin"
  head -c 9000 /dev/urandom > "$tmp/long.dat"
  head -c 300 /dev/urandom > "$tmp/nested.bin"
  head -c 20000 /dev/urandom > "$tmp/part"
  export MTOOLS_SKIP_CHECK=1
  mcopy -i "$target" "$tmp/index00.bin" ::/index00.bin
  mcopy -i "$target" "$tmp/part" ::/gap
  mcopy -i "$target" "$tmp/long.dat" "::/A long file name.dat"
  mdel -i "$target" ::/gap
  mcopy -i "$target" "$tmp/part" ::/fragmented.bin
  mmd -i "$target" ::/Sub ::/Sub/Deeper
  mcopy -i "$target" "$tmp/nested.bin" ::/Sub/Deeper/nested.bin
  mcopy -i "$target" "$tmp/nested.bin" "::/中文名字.bin"
  printf x > "$tmp/one"
  mcopy -i "$target" "$tmp/one" ::/one.bin
}

fat_seeds() {
  local reserved fat_size
  mkfs.fat -C -S 4096 -F 12 -s 1 -R 1 -r 128 -f 2 "$tmp/fat12.img" 240 >/dev/null
  fat_fill "$tmp/fat12.img"
  { printf '\x05\x00\x00\x00\x00'; cat "$tmp/fat12.img"; } > "$out/fat12"
  { printf '\xc0\x00\x00\x00\x00'; cat "$tmp/fat12.img"; } > "$out/fat12-as-d"
  mkfs.fat -C -S 4096 -F 16 -s 1 -R 1 -r 128 -f 1 "$tmp/fat16.img" 17000 >/dev/null
  fat_fill "$tmp/fat16.img"
  { printf '\x21\x00\x00\x00\x00'; head -c $((56 * 4096)) "$tmp/fat16.img"; } > "$out/fat16"
  mkfs.fat -C -S 4096 -F 32 -s 1 -R 2 -b 0 -f 1 "$tmp/fat32.img" 270000 >/dev/null
  fat_fill "$tmp/fat32.img"
  reserved=$(od -An -tu2 -j14 -N2 "$tmp/fat32.img" | tr -d ' ')
  fat_size=$(od -An -tu4 -j36 -N4 "$tmp/fat32.img" | tr -d ' ')
  {
    printf '\x7f'
    printf "$(printf '\\x%02x\\x%02x' $(((reserved + 1) & 255)) $(((reserved + 1) >> 8)))"
    printf "$(printf '\\x%02x\\x%02x' $(((fat_size - 1) & 255)) $(((fat_size - 1) >> 8)))"
    head -c $(((reserved + 1) * 4096)) "$tmp/fat32.img"
    dd if="$tmp/fat32.img" bs=4096 skip=$((reserved + fat_size)) count=48 status=none
  } > "$out/fat32"
  # A partition table whose first entry starts at logical sector 1.
  head -c $((60 * 4096)) /dev/zero > "$tmp/table.img"
  mkfs.fat -S 4096 -F 12 -s 1 -R 1 -r 128 -f 2 --offset 1 "$tmp/table.img" 236 >/dev/null 2>&1
  fat_fill "$tmp/table.img" 4096
  printf '\x0c\x00\x00\x00\x01\x00\x00\x00' | dd of="$tmp/table.img" bs=1 seek=450 conv=notrunc status=none
  printf '\x55\xaa' | dd of="$tmp/table.img" bs=1 seek=510 conv=notrunc status=none
  { printf '\x02\x00\x00\x00\x00'; cat "$tmp/table.img"; } > "$out/partition-table"
}

# Small device recordings (telemetry, back links, audio of both types),
# one without telemetry and one cut short, behind the name letter and seek
# byte.
device_seed() {  # name control-byte sample-device-options...
  local name=$1 control=$2
  shift 2
  "$tool" sample device "$tmp/$name.dav" --size 64x48 --duration 4 --fps 5 --keyint 5 "$@" \
    >/dev/null
  { printf "$control"; head -c 200000 "$tmp/$name.dav"; } > "$out/$name"
}

device_seeds() {
  device_seed telemetry '\x03' --info-rate 2 --audio alaw --data-end
  device_seed no-info '\x10' --no-info --audio ima --audio-type 3 --device-type CAM_X
  device_seed gps-loss '\x2d' --info-rate 5 --gps-loss --audio none --hemisphere SW
  device_seed cut '\x44' --info-rate 1 --audio ulaw --device-type cam_510_27xx
  head -c 70000 "$out/cut" > "$out/cut-short"
}

# Card index files of generated export folders: a wrapping ring with open
# files, several slots per file, four partitions.
card_index_seeds() {
  local name options
  for spec in "ring:--files 5 --open 1 --channels 2" "slots:--files 2 --recordings 3 --open 0" \
              "open:--files 3 --open 3 --channels 4"; do
    name=${spec%%:*}
    options=${spec#*:}
    # shellcheck disable=SC2086
    "$tool" sample card "$tmp/$name" --folder --size 64x48 --seconds 1 --fps 2 $options >/dev/null
    cp "$tmp/$name/0_index00.bin" "$out/index-$name"
  done
}

# evf containers of generated recordings (one block each, cut to 200,000
# bytes) behind the two bytes that place a second recording.
evf_seeds() {
  "$tool" sample card "$tmp/evf" --folder --files 1 --recordings 2 --open 0 --size 64x48 \
    --seconds 2 --fps 5 >/dev/null
  { printf '\x00\x00'; head -c 200000 "$tmp/evf/0_fly00001.evf"; } > "$out/evf-first"
  { printf '\x2b\xf7'; head -c 200000 "$tmp/evf/0_fly00001.evf"; } > "$out/evf-second-cut"
  "$tool" sample card "$tmp/evf-blocks" --folder --files 1 --recordings 1 --open 0 --size 64x48 \
    --seconds 1 --fps 4 --block-frames 2 >/dev/null
  { printf '\x00\x05'; head -c 200000 "$tmp/evf-blocks/0_fly00001.evf"; } > "$out/evf-blocks"
}

# Snapshots of random pictures: written whole, onto a full disk, over an
# earlier file with a failing write, with text composed in, a refused stride.
bmp_seeds() {
  { printf '\x3f\x1f\x00\x00\x00\x00'; head -c 3000 /dev/urandom; } > "$out/bmp-clean"
  { printf '\x10\x08\x01\x01\x04\x01'; head -c 500 /dev/urandom; } > "$out/bmp-disk-full"
  { printf '\x05\x03\x02\x01\x01\x03'; head -c 60 /dev/urandom; } > "$out/bmp-size-limit-text"
  { printf '\x07\x07\x80\x00\x00\x01'; head -c 100 /dev/urandom; } > "$out/bmp-short-stride"
}

# A one-block container behind the card export's seven control bytes (both
# index slots on its one recording): reads and writes as they should be,
# short reads, a failing read, a size that lies, a full disk from the third
# write, one EFBIG write.
card_export_seeds() {
  "$tool" sample card "$tmp/export" --folder --files 1 --recordings 1 --open 0 --size 64x48 \
    --seconds 1 --fps 2 >/dev/null
  local spec name control
  for spec in 'clean:\x00\x00\x00\x00\x00' 'short-reads:\x00\x0a\x00\x00\x00' \
              'failing-read:\x06\x01\x00\x00\x00' 'size-lies:\x00\x00\xf0\x00\x00' \
              'disk-full:\x00\x00\x00\x03\x02' 'file-too-large:\x00\x00\x00\x07\x01'; do
    name=${spec%%:*}
    control=${spec#*:}
    { printf "$control\x00\x00"; cat "$tmp/export/0_fly00001.evf"; } > "$out/export-$name"
  done
}

case "$(basename "$out")" in
  stream_scan_fuzzer) stream_seeds ;;
  voice_decoder_fuzzer) voice_seeds ;;
  tvfs_mount_fuzzer) disk_seeds ;;
  disk_recording_fuzzer) with_control=0; disk_seeds ;;
  h264_decoder_fuzzer) h264_seeds ;;
  avi_conversion_fuzzer) conversion_seeds ;;
  fat_volume_fuzzer) fat_seeds ;;
  device_file_fuzzer) device_seeds ;;
  card_index_fuzzer) card_index_seeds ;;
  evf_reader_fuzzer) evf_seeds ;;
  bmp_writer_fuzzer) bmp_seeds ;;
  card_export_fuzzer) card_export_seeds ;;
  *) echo "make_seed_corpus.sh: no seeds for $(basename "$out")" >&2; exit 2 ;;
esac
