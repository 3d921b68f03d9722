// Listing one partition's card index (read in folder mode, every recording
// accepted by the check) for indexes of the same entry count: a clean one,
// each entry its own file with one recording, beside hostile ones whose
// entries all repeat one file number or whose slots are all empty. A
// hostile index must cost no more than a clean one of its size.
// usage: card_index_listing_bench [--benchmark_filter=...]
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "brisca/base/diag_log.h"
#include "brisca/card/card_files.h"
#include "brisca/card/card_index.h"
#include "tools/card/card_index_writer.h"

namespace {

namespace fs = std::filesystem;
using brisca::tools::card::IndexedFile;
using brisca::tools::card::IndexedRecording;

constexpr uint32_t kStart = 1772870400;  // 2026-03-07

enum class Kind { kClean, kRepeated, kEmptySlots };

// File numbers from 256 on: 255 marks a broken entry.
constexpr uint32_t kFirstFile = 256;

// The `entries` file entries of an index of the kind: clean entries name
// files 256.. with one recording each; repeated entries all name file 1 with 256 slots, the
// first a recording; empty-slot entries name files 256.. with 256 slots
// that never held a recording.
std::vector<IndexedFile> Entries(Kind kind, uint32_t entries) {
  std::vector<IndexedFile> files;
  files.reserve(entries);
  for (uint32_t i = 0; i < entries; ++i) {
    IndexedFile file;
    file.file_number = kind == Kind::kRepeated ? 1 : kFirstFile + i;
    file.channel = 1;
    if (kind == Kind::kClean) {
      file.recordings = {IndexedRecording{0, 7, 2, kStart + i, kStart + i + 1, 0}};
    } else {
      file.recordings.assign(256, IndexedRecording{});
      if (kind == Kind::kRepeated) file.recordings[0] = {0, 7, 2, kStart, kStart + 1, 0};
    }
    files.push_back(std::move(file));
  }
  return files;
}

// A folder holding "0_index00.bin" of the kind, removed at exit.
class IndexFolder {
 public:
  IndexFolder(Kind kind, uint32_t entries) {
    std::string pattern = (fs::temp_directory_path() / "brisca-index-bench-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) std::abort();
    path_ = pattern;
    brisca::tools::card::CardIndexLayout layout;
    layout.ring_capacity = entries;
    layout.ring_files = Entries(kind, entries);
    const std::vector<uint8_t> bytes = brisca::tools::card::BuildCardIndex(layout);
    std::ofstream out(brisca::CardIndexPath(path_, brisca::kCardFolderMode, 0), std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  }
  ~IndexFolder() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

void ListIndex(benchmark::State& state, Kind kind) {
  const uint32_t entries = static_cast<uint32_t>(state.range(0));
  const IndexFolder folder(kind, entries);
  brisca::ProcessLog().SetRoot(folder.path());
  size_t listed = 0;
  for (auto _ : state) {
    brisca::CIndexFileJv index(0);
    index.SetDir(folder.path(), brisca::kCardFolderMode);
    if (index.ReadIndexFile() != 0) {
      state.SkipWithError("index not readable");
      break;
    }
    std::vector<RecFileParam> records;
    brisca::CardListingProgress progress;
    progress.total = index.SlotCount();
    index.AppendRecords(records, progress, [](const char*) { return 0; });
    listed = records.size();
    benchmark::DoNotOptimize(records.data());
  }
  state.counters["entries"] = entries;
  state.counters["listed"] = static_cast<double>(listed);
}

void BM_CleanIndex(benchmark::State& state) { ListIndex(state, Kind::kClean); }
void BM_RepeatedFileNumbers(benchmark::State& state) { ListIndex(state, Kind::kRepeated); }
void BM_EmptySlots(benchmark::State& state) { ListIndex(state, Kind::kEmptySlots); }

// 8,000 entries as in the field; 65,568 is the largest ring a card index
// may hold (a clean one of that size would need a 537 MB index file).
BENCHMARK(BM_CleanIndex)->Arg(8000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RepeatedFileNumbers)->Arg(8000)->Arg(65568)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EmptySlots)->Arg(8000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
