#!/usr/bin/env bash
# Round trip of the sample generator and the stream reader: for generated
# recordings in every voice codec, clean and damaged, `brisca frames` must
# list exactly the frames the generator wrote, and FFmpeg must decode the
# extracted H.264 and voice payloads without an error, the voice close to
# the signal that was encoded.
# usage: round_trip.sh BRISCA_TOOL PCM_SNR WORK_FOLDER
set -euo pipefail
tool=$1
pcm_snr=$2
work=$3
rm -rf "$work"
mkdir -p "$work"
failures=0

fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

compare_listing() {  # name sample-options...
  local name=$1
  shift
  "$tool" sample stream "$@" -o "$work/$name.strm" --truth "$work/$name.truth" \
    --voice-pcm "$work/$name.signal" >/dev/null
  "$tool" frames "$work/$name.strm" > "$work/$name.frames"
  if ! diff -q "$work/$name.truth" "$work/$name.frames" >/dev/null; then
    fail "$name: listing differs from the generator's"
    diff "$work/$name.truth" "$work/$name.frames" | head -n 5 >&2
  fi
  [ -s "$work/$name.truth" ] || fail "$name: empty listing"
}

count_kind() {  # listing kind
  awk -F'\t' -v k="$2" '$1 == k' "$1" | wc -l
}

# Decodes with FFmpeg; any message at level error fails, the decoded amount
# must match the frames listed, and the voice must resemble the signal.
check_decoding() {  # name audio-codec minimum-snr-db
  local name=$1 codec=$2 min_snr=$3
  local listing=$work/$name.frames
  "$tool" extract "$work/$name.strm" "$work/$name.h264" "$work/$name.audio" > "$work/$name.extract"

  local errors video_frames
  errors=$(ffmpeg -nostdin -hide_banner -v error -f h264 -i "$work/$name.h264" -f framecrc - 2>&1 >"$work/$name.vcrc") || true
  [ -z "$errors" ] || fail "$name: H.264 decode errors: $errors"
  video_frames=$(grep -vc '^#' "$work/$name.vcrc" || true)
  local expected=$(( $(count_kind "$listing" 0) + $(count_kind "$listing" 1) ))
  [ "$video_frames" -eq "$expected" ] || fail "$name: decoded $video_frames of $expected pictures"

  local input=()
  local per_frame=320
  case $codec in
    alaw) input=(-f alaw -ar 8000 -ac 1) ;;
    ulaw) input=(-f mulaw -ar 8000 -ac 1) ;;
    g726-*) input=(-f g726le -code_size $(( ${codec#g726-} / 8 )) -sample_rate 8000) ;;
    ima) input=(-f wav); per_frame=321 ;;
  esac
  local pcm=$work/$name.pcm
  errors=$(ffmpeg -nostdin -hide_banner -v error "${input[@]}" -i "$work/$name.audio" -f s16le -ac 1 -ar 8000 -y "$pcm" 2>&1) || true
  [ -z "$errors" ] || fail "$name: $codec decode errors: $errors"
  local samples=$(( $(stat -c %s "$pcm") / 2 ))
  local wanted=$(( $(count_kind "$listing" 2) * per_frame ))
  [ "$samples" -eq "$wanted" ] || fail "$name: $codec decoded $samples of $wanted samples"
  local quality
  quality=$("$pcm_snr" "$work/$name.signal" "$pcm" "$min_snr") || fail "$name: $codec $quality"
}

# Minimum SNR per codec: well below what each reaches on the test signal
# (G.711 about 37 dB, G.726 23-43 dB by rate, IMA about 18 dB), far above
# what wrong codes give.
for codec_snr in alaw:28 ulaw:28 g726-16:12 g726-24:18 g726-32:22 g726-40:24 ima:12; do
  codec=${codec_snr%:*}
  compare_listing "clean-$codec" --size 320x180 --duration 4 --audio "$codec" --seed 3
  check_decoding "clean-$codec" "$codec" "${codec_snr#*:}"
done

compare_listing noisy --size 320x180 --duration 6 --audio alaw --noise 2 --seed 11
compare_listing torn --size 320x180 --duration 6 --audio ima --tear 4 --truncate-end --seed 12
compare_listing damaged-south-west --size 176x144 --duration 8 --audio g726-24 --noise 3 --tear 5 \
  --hemisphere SW --route highway --gps-loss --seed 13
compare_listing no-audio --size 176x144 --duration 3 --audio none --hemisphere SE
"$tool" extract "$work/no-audio.strm" "$work/no-audio.h264" "$work/no-audio.audio" |
  grep -q '^audio 0 frames none$' || fail "no-audio: extract"

# The generator is deterministic: the same options give the same bytes.
"$tool" sample stream --size 176x144 --duration 2 --seed 5 -o "$work/again.strm" >/dev/null
"$tool" sample stream --size 176x144 --duration 2 --seed 5 -o "$work/again2.strm" >/dev/null
cmp -s "$work/again.strm" "$work/again2.strm" || fail "generator output is not deterministic"

if [ "$failures" -ne 0 ]; then
  echo "round trip: $failures failure(s)"
  exit 1
fi
echo "round trip: all listings and decodes match"
