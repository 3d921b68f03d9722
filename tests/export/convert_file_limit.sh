#!/usr/bin/env bash
# `brisca convert` under a file size limit (ulimit -f), with SIGXFSZ at its
# default, which would end the process: the tool ignores the signal, so the
# write past the limit fails, the command exits with an error instead of
# being killed, and the AVI it leaves holds the range's first frames, whole,
# with a header (and idx1 when it fits) that describe exactly those chunks.
# usage: convert_file_limit.sh BRISCA_TOOL WORK_FOLDER
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

u32() {  # file offset: the little-endian 32-bit number there
  od -An -tu4 -j "$2" -N4 "$1" | tr -d ' '
}

"$tool" sample stream --size 640x360 --fps 25 --keyint 50 --duration 30 --audio alaw \
  --start "2026-05-04 12:00:00" --seed 8 -o "$work/cut.strm" >/dev/null
"$tool" frames "$work/cut.strm" | awk -F'\t' '$1 == 0 || $1 == 1 { print $4 }' > "$work/cut.video"

# A signal ignored when the shell started cannot be reset here; then the
# run still checks the files but cannot show that the tool ignores it.
if (( 0x$(awk '/^SigIgn/ { print $2 }' /proc/$$/status) & (1 << 24) )); then
  echo "note: SIGXFSZ was ignored before this script started" >&2
fi

limits=(700 1536 2048)
for limit in "${limits[@]}"; do
  avi="$work/cut-$limit.avi"
  status=0
  ( trap - XFSZ; ulimit -f "$limit"; "$tool" convert "$work/cut.strm" --from 12:00:00 --to 12:00:29 \
      -o "$avi" >/dev/null 2> "$work/cut-$limit.err" ) || status=$?
  [ "$status" -eq 1 ] || fail "$limit KiB: exit status $status (153 is the signal)"
  grep -q "conversion failed" "$work/cut-$limit.err" || fail "$limit KiB: message: $(cat "$work/cut-$limit.err")"
  size=$(stat -c %s "$avi")
  [ "$size" -le $((limit * 1024)) ] || fail "$limit KiB: file of $size bytes"

  warnings=$(ffprobe -v warning -show_streams "$avi" 2>&1 >/dev/null) || fail "$limit KiB: ffprobe failed"
  [ -z "$warnings" ] || fail "$limit KiB: ffprobe warns: $warnings"
  ffmpeg -nostdin -v error -i "$avi" -map 0:v -c copy -f framemd5 - |
    awk -F', *' '!/^#/ { print $6 }' > "$work/cut-$limit.avi-video"
  frames=$(wc -l < "$work/cut-$limit.avi-video")
  [ "$frames" -gt 0 ] && [ "$frames" -lt "$(wc -l < "$work/cut.video")" ] ||
    fail "$limit KiB: $frames video packets"
  head -n "$frames" "$work/cut.video" | cmp -s - "$work/cut-$limit.avi-video" ||
    fail "$limit KiB: packets are not the range's first frames"
  errors=$(ffmpeg -nostdin -v error -i "$avi" -f null - 2>&1) || fail "$limit KiB: ffmpeg failed"
  [ -z "$errors" ] || fail "$limit KiB: ffmpeg decode errors: $errors"

  # The header: the file's length, the frames FFmpeg found, and idx1 (one
  # entry per chunk) right after the movie list, or the no-index flag and
  # the file ending with the movie list.
  [ "$(u32 "$avi" 4)" -eq $((size - 8)) ] || fail "$limit KiB: RIFF size $(u32 "$avi" 4)"
  [ "$(u32 "$avi" 48)" -eq "$frames" ] || fail "$limit KiB: header counts $(u32 "$avi" 48) frames"
  movie_end=$((2044 + $(u32 "$avi" 2040)))
  packets=$(ffprobe -v error -count_packets -show_entries stream=nb_read_packets -of csv=p=0 "$avi" |
    paste -sd+ | bc)
  case $(u32 "$avi" 44) in
    272)
      [ "$(dd if="$avi" bs=1 skip="$movie_end" count=4 status=none)" = idx1 ] ||
        fail "$limit KiB: no idx1 after the movie list"
      [ "$(u32 "$avi" $((movie_end + 4)))" -eq $((16 * packets)) ] ||
        fail "$limit KiB: idx1 of $(u32 "$avi" $((movie_end + 4))) bytes for $packets chunks"
      [ "$size" -eq $((movie_end + 8 + 16 * packets)) ] || fail "$limit KiB: bytes after idx1" ;;
    256)
      [ "$size" -eq "$movie_end" ] || fail "$limit KiB: bytes after the movie list" ;;
    *) fail "$limit KiB: header flags $(u32 "$avi" 44)" ;;
  esac
done

if [ "$failures" -ne 0 ]; then
  echo "convert file limit: $failures failure(s)"
  exit 1
fi
echo "convert file limit: the tool ended every conversion with an error and a readable file"
