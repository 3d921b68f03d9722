#!/usr/bin/env bash
# Builds and runs every test: the release build (unit, integration and
# corpus replay tests, first without the program and Qt), the ASan+UBSan
# build of the same tests, the TSan build of the threaded code, and a short
# libFuzzer run of each fuzz target.
# FUZZ_SECONDS sets the length of each fuzz run (default 30).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

jobs=$(nproc)
configure=()
run_preset() {  # preset [ctest args...]; configure holds extra cmake options
  local preset=$1
  shift
  echo "== $preset build ${configure[*]}"
  cmake --preset "$preset" "${configure[@]}" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
  ctest --preset "$preset" -j "$jobs" "$@"
}

# The library, its tools and their tests first, with Qt out of CMake's
# reach, then the program added to the same tree, which rebuilds nothing
# of the library; only the program's tests run again.
configure=(-DBRISCA_BUILD_PROGRAM=OFF -DCMAKE_DISABLE_FIND_PACKAGE_Qt6=ON)
run_preset release
configure=(-DBRISCA_BUILD_PROGRAM=ON -DCMAKE_DISABLE_FIND_PACKAGE_Qt6=OFF)
run_preset release -L program
configure=()
run_preset asan
# The threaded code: threads, events, locks, the frame pool and queue, the
# sound output's callback thread, readers sharing the mounted disk, the
# handle table, the playback engine with its exports (also steered from two
# threads at once), the conversion worker with its voice decoding stage,
# the index reader with its exports, and the card: its FAT volume, readers,
# listing and export sharing the one card volume lock. None of it is the
# program's, which is left out of this tree.
configure=(-DBRISCA_BUILD_PROGRAM=OFF)
run_preset tsan -R '^(ThreadTest|EventTest|MutexLockTest|FramePoolTest|FrameQueueTest|AudioOutputTest|DiskRecordingTest|HandleTableTest|PlayerTest|MulPlayTest|MulPlayEndToEndTest|SyncTest|ExportedPlaybackTest|ConcurrentPlaybackTest|DiskPlaybackTest|ConvertFileNvrTest|ConvertFileNvrVoiceTest|VoiceDecodeStageTest|ConvertExportsTest|IndexReaderTest|DeviceExportsTest|CardIndexTest|CardRecordingNameTest|FileJvTest|CardVolumeTest|CardExportsTest|Kinds/FatVolumeKindTest|FatReadTest|FatVolumeTest|FatChainTest|SdFileTest|PhysicalDriveTest|ExportFileJvTest|ExportFileJvProgressTest|ExportExportsTest)\.'

echo "== fuzz build"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$jobs"
bash tests/fuzz/run_fuzzers.sh build/fuzz build/release "${FUZZ_SECONDS:-30}"
