#!/usr/bin/env bash
# Writes the fuzzers' seed corpus: small generated recordings, clean and
# damaged, each behind the two control bytes the stream fuzzer reads.
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

seed clean-g726 '\x00\x00' --audio g726-32
seed clean-alaw '\x03\x10' --audio alaw --hemisphere SW
seed clean-ima '\xff\xff' --audio ima
seed noisy '\x01\x02' --audio ulaw --noise 2 --seed 7
seed torn '\x10\x00' --audio g726-16 --tear 3 --truncate-end --seed 9
seed no-audio '\x05\x40' --audio none --gps-loss
