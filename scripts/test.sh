#!/usr/bin/env bash
# Builds and runs every test: the release build (unit, integration and
# corpus replay tests), the ASan+UBSan build of the same tests, the TSan
# build of the threaded code, and a short libFuzzer run of each fuzz target.
# FUZZ_SECONDS sets the length of each fuzz run (default 30).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

jobs=$(nproc)
run_preset() {  # preset [ctest args...]
  local preset=$1
  shift
  echo "== $preset build"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
  ctest --preset "$preset" -j "$jobs" "$@"
}

run_preset release
run_preset asan
# The threaded code: threads, events, locks, the frame pool and queue, the
# sound output's callback thread, readers sharing the mounted disk, the
# handle table, the playback engine with its exports (also steered from two
# threads at once), and the conversion
# worker with its voice decoding stage, and the index reader with its
# exports.
run_preset tsan -R '^(ThreadTest|EventTest|MutexLockTest|FramePoolTest|FrameQueueTest|AudioOutputTest|DiskRecordingTest|HandleTableTest|PlayerTest|MulPlayTest|MulPlayEndToEndTest|SyncTest|ExportedPlaybackTest|ConcurrentPlaybackTest|DiskPlaybackTest|ConvertFileNvrTest|ConvertFileNvrVoiceTest|VoiceDecodeStageTest|ConvertExportsTest|IndexReaderTest|DeviceExportsTest)\.'

echo "== fuzz build"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$jobs"
bash tests/fuzz/run_fuzzers.sh build/fuzz build/release "${FUZZ_SECONDS:-30}"
