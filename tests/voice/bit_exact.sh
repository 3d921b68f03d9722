#!/usr/bin/env bash
# Our voice decoders against FFmpeg's: for a generated recording in every
# voice codec, the PCM our decoders give for its audio frames must be
# byte-identical to FFmpeg's decoding of the same codec data.
# usage: bit_exact.sh BRISCA_TOOL VOICE_DECODE_STREAM WORK_FOLDER
set -euo pipefail
tool=$1
decoder=$2
work=$3
rm -rf "$work"
mkdir -p "$work"
failures=0

for codec in alaw ulaw g726-16 g726-24 g726-32 g726-40 ima; do
  stream=$work/$codec.strm
  "$tool" sample stream --audio "$codec" -o "$stream" --size 96x64 --duration 12 >/dev/null
  "$tool" extract "$stream" "$work/$codec.h264" "$work/$codec.audio" >/dev/null
  case $codec in
    alaw) input=(-f alaw -ar 8000 -ac 1) ;;
    ulaw) input=(-f mulaw -ar 8000 -ac 1) ;;
    g726-*) input=(-f g726le -code_size $(( ${codec#g726-} / 8 )) -sample_rate 8000) ;;
    ima) input=(-f wav) ;;
  esac
  ffmpeg -nostdin -hide_banner -v error "${input[@]}" -i "$work/$codec.audio" \
    -f s16le -ac 1 -ar 8000 -y "$work/$codec.ffmpeg.pcm"
  "$decoder" pcm "$stream" "$work/$codec.ours.pcm"
  if [ ! -s "$work/$codec.ours.pcm" ]; then
    echo "FAIL: $codec: no PCM decoded" >&2
    failures=$((failures + 1))
  elif ! cmp "$work/$codec.ffmpeg.pcm" "$work/$codec.ours.pcm" >&2; then
    echo "FAIL: $codec: PCM differs from FFmpeg's" >&2
    failures=$((failures + 1))
  fi
done

# Random G.726 codes drive the decoder through its extremes: predictor
# products and sums that overflow, and reconstructed values past the 16-bit
# range. FFmpeg lets such a sample wrap around to the opposite sign, we hold
# it at the limit; every other sample must be identical, which a diverging
# decoder state would not stay for long.
head -c 240000 /dev/urandom > "$work/random.g726"
for bits in 2 3 4 5; do
  ffmpeg -nostdin -hide_banner -v error -f g726le -code_size "$bits" -sample_rate 8000 \
    -i "$work/random.g726" -f s16le -y "$work/random$bits.ffmpeg.pcm"
  "$decoder" g726 "$bits" "$work/random.g726" "$work/random$bits.ours.pcm"
  samples() { od -An -v -td2 -w2 "$1" | tr -d ' '; }
  if ! paste -d' ' <(samples "$work/random$bits.ffmpeg.pcm") <(samples "$work/random$bits.ours.pcm") |
      awk -v bits="$bits" '
        NF < 2 { short = 1; next }
        $1 != $2 && $2 != 32767 && $2 != -32768 { bad++; if (!first) first = NR }
        $1 != $2 { clipped++ }
        END {
          if (short || NR == 0) { print "FAIL: random G.726 " bits "-bit: lengths differ"; exit 1 }
          if (bad) { print "FAIL: random G.726 " bits "-bit: " bad " samples differ, first " first; exit 1 }
          print "random G.726 " bits "-bit: " NR " samples, " clipped " held at the limit where FFmpeg wraps"
        }' >&2; then
    failures=$((failures + 1))
  fi
done

if [ "$failures" -ne 0 ]; then
  echo "voice bit-exactness: $failures codec(s) differ"
  exit 1
fi
echo "voice bit-exactness: every codec matches FFmpeg"
