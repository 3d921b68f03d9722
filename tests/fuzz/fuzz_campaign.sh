#!/usr/bin/env bash
# A longer fuzzing campaign: every target for SECONDS, JOBS targets at a
# time, each on a copy of its seed corpus and the kept regressions. Prints a
# Markdown table of the figures (executions, exec/s, corpus growth, peak
# memory) and exits non-zero when a target found something; the finding is
# left in LOGS/<target>/ with the target's log.
# usage: fuzz_campaign.sh FUZZ_BUILD_DIR TOOL_BUILD_DIR SECONDS JOBS LOGS [TARGET...]
# (every target of the build when none is named)
set -euo pipefail
fuzz_build=$1
tool=$2/tools/brisca
seconds=$3
jobs=$4
logs=$5
shift 5
here=$(cd "$(dirname "$0")" && pwd)
mkdir -p "$logs"

run_one() {  # fuzzer
  local fuzzer=$1 name corpus out
  name=$(basename "$fuzzer")
  out=$logs/$name
  corpus=$out/$name  # the seed script picks seeds by the folder's name
  rm -rf "$out" && mkdir -p "$corpus"
  bash "$here/make_seed_corpus.sh" "$tool" "$corpus" >/dev/null
  cp "$here"/regressions/* "$corpus"/
  ls "$corpus" | wc -l >"$out/seeds"
  (cd "$out" && "$fuzzer" -max_total_time="$seconds" -max_len=262144 -rss_limit_mb=4096 \
     -print_final_stats=1 -close_fd_mask=2 "$name" >log.txt 2>&1; echo $? >rc)
}

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for fuzzer in "$fuzz_build"/tests/fuzz/*_fuzzer; do targets+=("$(basename "$fuzzer")"); done
fi
for name in "${targets[@]}"; do
  run_one "$fuzz_build/tests/fuzz/$name" &
  while [ "$(jobs -rp | wc -l)" -ge "$jobs" ]; do wait -n || true; done
done
wait

failed=0
echo "| Target | Seconds | Executions | exec/s | Corpus (seeds → end) | Peak RSS (MB) | Result |"
echo "|---|---:|---:|---:|---:|---:|---|"
for name in "${targets[@]}"; do
  out=$logs/$name
  figure() { sed -n "s/^stat::$1: *//p" "$out/log.txt" | tail -n 1; }
  rc=$(cat "$out/rc")
  result="no finding"
  if [ "$rc" != 0 ]; then
    result="finding (exit $rc), see $out"
    failed=1
  fi
  echo "| \`$name\` | $seconds | $(figure number_of_executed_units) | $(figure average_exec_per_sec)" \
       "| $(cat "$out/seeds") → $(ls "$out/$name" | wc -l) | $(figure peak_rss_mb) | $result |"
done
exit $failed
