#!/usr/bin/env bash
# FFmpeg's view of the AVI files `brisca convert` writes, from a recorder
# disk and from stream files: ffprobe finds one H.264 stream of the
# recording's size and rate and one 8 kHz mono 16-bit PCM stream without a
# warning; the video packets are the recording's frames of the range, byte
# for byte and in order; the PCM is the range's voice as FFmpeg decodes it;
# FFmpeg decodes the file to its end without an error. A conversion stopped
# by a write failure leaves a file FFmpeg reads up to its last whole chunk.
# usage: convert_interop.sh BRISCA_TOOL WORK_FOLDER
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

# The range's frames from the tool's listing: the key frame at or before the
# start through the key frame at or before the end (offsets in ms from the
# first frame). Writes NAME.video (MD5 per video frame) and NAME.voice
# ("skip count": voice frames before the range and in it).
expected_range() {  # name start-ms end-ms
  local name=$1
  "$tool" frames "$work/$name.strm" > "$work/$name.frames"
  awk -F'\t' -v s="$2" -v e="$3" -v video="$work/$name.video" -v voice="$work/$name.voice" '
    { kind[NR] = $1; ts[NR] = $2; md5[NR] = $4; if (NR == 1) origin = $2 }
    $1 == 0 && $2 <= origin + s { first = NR }
    $1 == 0 && $2 <= origin + e { last = NR }
    END {
      before = 0; within = 0
      for (i = 1; i <= NR; i++) {
        if (kind[i] == 2 && i < first) before++
        if (i < first || i > last) continue
        if (kind[i] == 0 || kind[i] == 1) print md5[i] > video
        if (kind[i] == 2) within++
      }
      print before, within > voice
    }' "$work/$name.frames"
}

video_md5s() {  # avi
  ffmpeg -nostdin -v error -i "$1" -map 0:v -c copy -f framemd5 - | awk -F', *' '!/^#/ { print $6 }'
}

# Checks a converted file against the range of its recording.
check_file() {  # name avi width height codec bytes-per-voice-frame
  local name=$1 avi=$2 width=$3 height=$4 codec=$5 block=$6
  local warnings
  warnings=$(ffprobe -v warning -show_streams "$avi" 2>&1 >/dev/null) || fail "$name: ffprobe failed"
  [ -z "$warnings" ] || fail "$name: ffprobe warns: $warnings"
  [ "$(ffprobe -v error -show_entries stream=codec_type -of csv=p=0 "$avi" | tr '\n' ' ')" = "video audio " ] ||
    fail "$name: streams are not one video and one audio"
  local video audio
  video=$(ffprobe -v error -select_streams v -show_entries stream=codec_name,width,height,r_frame_rate \
    -of default=nw=1 "$avi" | sort | tr '\n' ' ')
  [ "$video" = "codec_name=h264 height=$height r_frame_rate=25/1 width=$width " ] ||
    fail "$name: video stream: $video"
  audio=$(ffprobe -v error -select_streams a -show_entries stream=codec_name,sample_rate,channels,bits_per_sample \
    -of default=nw=1 "$avi" | sort | tr '\n' ' ')
  [ "$audio" = "bits_per_sample=16 channels=1 codec_name=pcm_s16le sample_rate=8000 " ] ||
    fail "$name: audio stream: $audio"

  video_md5s "$avi" > "$work/$name.avi-video"
  [ -s "$work/$name.video" ] || fail "$name: the range holds no video"
  cmp -s "$work/$name.video" "$work/$name.avi-video" ||
    fail "$name: video packets differ from the recording's frames ($(wc -l < "$work/$name.avi-video") of $(wc -l < "$work/$name.video"))"

  local skip count input=()
  read -r skip count < "$work/$name.voice"
  case $codec in
    alaw) input=(-f alaw -ar 8000 -ac 1) ;;
    ulaw) input=(-f mulaw -ar 8000 -ac 1) ;;
    g726-*) input=(-f g726le -code_size $(( ${codec#g726-} / 8 )) -sample_rate 8000) ;;
  esac
  "$tool" extract "$work/$name.strm" "$work/$name.h264" "$work/$name.codes" >/dev/null
  dd if="$work/$name.codes" of="$work/$name.range-codes" bs="$block" skip="$skip" count="$count" \
    status=none
  ffmpeg -nostdin -v error "${input[@]}" -i "$work/$name.range-codes" -f s16le -y "$work/$name.expected-pcm"
  ffmpeg -nostdin -v error -i "$avi" -map 0:a -f s16le -y "$work/$name.avi-pcm"
  [ "$(stat -c %s "$work/$name.avi-pcm")" -eq $((count * 640)) ] ||
    fail "$name: $(stat -c %s "$work/$name.avi-pcm") bytes of PCM for $count voice frames"
  cmp -s "$work/$name.expected-pcm" "$work/$name.avi-pcm" || fail "$name: PCM differs from the decoded voice"

  local errors
  errors=$(ffmpeg -nostdin -v error -i "$avi" -f null - 2>&1) || fail "$name: ffmpeg failed"
  [ -z "$errors" ] || fail "$name: ffmpeg decode errors: $errors"
}

make_recording() {  # name codec size start
  "$tool" sample stream --size "$3" --fps 25 --keyint 50 --duration 30 --audio "$2" \
    --start "$4" --seed 8 -o "$work/$1.strm" >/dev/null
}

# A recording on a recorder disk, converted by its name.
make_recording disk alaw 176x144 "2026-05-01 10:12:30"
"$tool" mkdisk "$work/disk.img" --disk-number 2 --segment channel=0,type=0,file="$work/disk.strm" >/dev/null
export BRISCA_DRIVES="$work/disk.img"
name=$("$tool" list --disk | cut -f1)
"$tool" convert "$name" --from 10:12:41 --to 10:12:55 -o "$work/disk.avi" > "$work/disk.out" ||
  fail "disk: convert failed: $(cat "$work/disk.out")"
expected_range disk 11000 25000
check_file disk "$work/disk.avi" 176 144 alaw 320

# Stream files with other voice codecs; a start before the recording and an
# end after it give the recording's first key frame through its last one.
# This one runs past midnight; its end time carries the next date, on which
# the range's end then lies: 00:00:05 is 15 s into the recording.
make_recording g726 g726-32 320x180 "2026-05-02 23:59:50"
"$tool" convert "$work/g726.strm" --from 23:00:00 --to 00:00:05 -o "$work/g726.avi" >/dev/null ||
  fail "g726: convert failed"
expected_range g726 0 15000
check_file g726 "$work/g726.avi" 320 180 g726-32 160

make_recording ulaw ulaw 96x64 "2026-05-03 08:00:00"
"$tool" convert "$work/ulaw.strm" --from 08:00:02 --to 09:00:00 -o "$work/ulaw.avi" >/dev/null ||
  fail "ulaw: convert failed"
expected_range ulaw 2000 29000
check_file ulaw "$work/ulaw.avi" 96 64 ulaw 320

# A write failure (the file may not grow past 2 MiB, a little more than the
# writer's 1 MiB buffer twice): the command says so, and FFmpeg reads what
# was written, the range's first frames.
make_recording cut alaw 640x360 "2026-05-04 12:00:00"
expected_range cut 0 29000
status=0
( trap '' XFSZ; ulimit -f 2048; "$tool" convert "$work/cut.strm" --from 12:00:00 --to 12:00:29 \
    -o "$work/cut.avi" >/dev/null 2> "$work/cut.err" ) || status=$?
[ "$status" -eq 1 ] || fail "cut: exit status $status"
grep -q "conversion failed" "$work/cut.err" || fail "cut: message: $(cat "$work/cut.err")"
[ "$(stat -c %s "$work/cut.avi")" -le $((2048 * 1024)) ] || fail "cut: file larger than the limit"
warnings=$(ffprobe -v warning -show_streams "$work/cut.avi" 2>&1 >/dev/null) || fail "cut: ffprobe failed"
[ -z "$warnings" ] || fail "cut: ffprobe warns: $warnings"
video_md5s "$work/cut.avi" > "$work/cut.avi-video"
cut_frames=$(wc -l < "$work/cut.avi-video")
[ "$cut_frames" -gt 0 ] && [ "$cut_frames" -lt "$(wc -l < "$work/cut.video")" ] ||
  fail "cut: $cut_frames video packets"
head -n "$cut_frames" "$work/cut.video" | cmp -s - "$work/cut.avi-video" ||
  fail "cut: packets are not the range's first frames"
errors=$(ffmpeg -nostdin -v error -i "$work/cut.avi" -f null - 2>&1) || fail "cut: ffmpeg failed"
[ -z "$errors" ] || fail "cut: ffmpeg decode errors: $errors"

# Refusals: no file is left behind.
if "$tool" convert "$work/ulaw.strm" --from 11:00:00 --to 11:30:00 -o "$work/late.avi" 2> "$work/late.err"; then
  fail "late: converted a range after the recording"
fi
grep -q "after the end of the recording" "$work/late.err" || fail "late: message: $(cat "$work/late.err")"
if "$tool" convert "$work/ulaw.strm" --from 08:00:02 --to 08:00:09 -o "$work/no/such/folder.avi" \
    2> "$work/folder.err"; then
  fail "folder: converted into a missing folder"
fi
grep -q "cannot create" "$work/folder.err" || fail "folder: message: $(cat "$work/folder.err")"
[ ! -e "$work/late.avi" ] || fail "late: a file was left"

if [ "$failures" -ne 0 ]; then
  echo "convert interop: $failures failure(s)"
  exit 1
fi
echo "convert interop: ffprobe and ffmpeg read every converted file as expected"
