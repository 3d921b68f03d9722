#!/usr/bin/env bash
# Screenshots of the player's main window for review: each of the four
# languages in both colour themes at 1920x1080 and 1366x768, after
# VIDEODISC SEARCH of a demo disk dated today; then its first entry's four
# cameras playing with the map, the charts and the speedometer live: in four
# windows in every language and theme (the speed chart in the light theme,
# the acceleration chart in the dark one), and in 1 and 9 windows in English
# and Simplified Chinese. Taken under Xvfb by corvane-shot, which also checks
# that no text is cut or overlaps another. Writes
# corvane-<language>-<theme>-<WxH>.png and corvane-<language>-<theme>-play<N>.png
# (1920x1080) and fails when any check fails (the offending texts are printed).
#
#   scripts/screenshots.sh [--tool PATH --brisca PATH] [--out DIR]
#
# Without --tool the release preset is built first (build/release); the
# pictures go to build/screenshots unless --out says otherwise.
set -euo pipefail
cd "$(dirname "$0")/.."

tool=
brisca=
out=build/screenshots
while [ $# -gt 0 ]; do
  case $1 in
    --tool) tool=$2; shift 2 ;;
    --brisca) brisca=$2; shift 2 ;;
    --out) out=$2; shift 2 ;;
    *) echo "usage: $0 [--tool PATH --brisca PATH] [--out DIR]" >&2; exit 2 ;;
  esac
done

if [ -z "$tool" ]; then
  bash scripts/install-deps.sh
  cmake --preset release >/dev/null
  cmake --build --preset release -j "$(nproc)" --target corvane_shot brisca_tool
  tool=build/release/tools/corvane_shot/corvane-shot
  brisca=build/release/tools/brisca
fi
mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$brisca" sample disk "$work/disk.img" --date "$(date +%F)" > /dev/null

declare -A language_names=([1]=zh-hans [2]=zh-hant [3]=en [10]=ru)
theme_names=(light dark)
failed=0
# One X server per shot: nothing carries over between them.
shot() {
  local file=$1
  shift
  if ! QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1920x1080x24" \
      "$tool" "$@" --disk "$work/disk.img" -o "$file"; then
    echo "failed: $file" >&2
    failed=1
  fi
}
for size in 1920x1080 1366x768; do
  for theme in 0 1; do
    for language in 1 2 3 10; do
      shot "$out/corvane-${language_names[$language]}-${theme_names[$theme]}-$size.png" \
        --language "$language" --theme "$theme" --size "$size"
    done
  done
done
charts=(speed accel)
shots=16
for theme in 0 1; do
  for language in 1 2 3 10; do
    windows_shown=(4)
    if [ "$language" = 1 ] || [ "$language" = 3 ]; then windows_shown=(1 4 9); fi
    for windows in "${windows_shown[@]}"; do
      shot "$out/corvane-${language_names[$language]}-${theme_names[$theme]}-play$windows.png" \
        --language "$language" --theme "$theme" --size 1920x1080 --play "$windows" --chart "${charts[$theme]}"
      shots=$((shots + 1))
    done
  done
done
[ "$failed" -eq 0 ] && echo "$shots screenshots in $out, every text fits"
exit "$failed"
