#!/usr/bin/env bash
# Runs each libFuzzer target for a while on a copy of its seed corpus.
# usage: run_fuzzers.sh FUZZ_BUILD_DIR TOOL_BUILD_DIR SECONDS
# New crash inputs are left as crash-* files in the current folder; keep
# each one in tests/fuzz/regressions/ so the replay test covers it.
set -euo pipefail
fuzz_build=$1
tool=$2/tools/brisca
seconds=$3
here=$(cd "$(dirname "$0")" && pwd)

for fuzzer in "$fuzz_build"/tests/fuzz/*_fuzzer; do
  name=$(basename "$fuzzer")
  corpus=$fuzz_build/corpus/$name
  bash "$here/make_seed_corpus.sh" "$tool" "$corpus"
  cp "$here"/regressions/* "$corpus"/
  echo "== fuzzing $name for ${seconds}s"
  "$fuzzer" -max_total_time="$seconds" -max_len=262144 -rss_limit_mb=4096 -print_final_stats=1 \
    "$corpus" 2>&1 | tail -n 12
  # libFuzzer exits non-zero on a finding, which pipefail turns into failure.
done
echo "fuzz: no findings"
