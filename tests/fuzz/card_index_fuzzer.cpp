// Fuzz target for the card index: the input is an index file read in folder
// mode ("0_index00.bin"). Its tables are listed (with a check that accepts
// every other slot), looked up, written as an export index whose entries
// are then updated with their own offsets, and read back: the exported
// index must read, and must hold every exported recording with the same
// entry. The input is then read and listed again through a byte source
// that misbehaves as its last three bytes say (fuzz_read_faults.h).
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "brisca/base/diag_log.h"
#include "brisca/card/card_index.h"
#include "tests/fuzz/fuzz_read_faults.h"

namespace {

// Listing logs a line per recording kept; larger tables are read and looked
// up only.
constexpr uint64_t kListedSlots = 2048;

void Check(bool condition) {
  if (!condition) std::abort();
}

const std::string& WorkFolder() {
  static const std::string folder = [] {
    std::string pattern = "/tmp/brisca-card-index-fuzz-XXXXXX";
    if (!::mkdtemp(pattern.data())) std::abort();
    brisca::ProcessLog().SetRoot(pattern);
    return pattern;
  }();
  return folder;
}

int ExerciseIndex(const uint8_t* data, size_t size) {
  const std::string& folder = WorkFolder();
  {
    std::ofstream out(folder + "/0_index00.bin", std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  brisca::CIndexFileJv index(0);
  index.SetDir(folder, brisca::kCardFolderMode);
  if (index.ReadIndexFile() != 0) return 0;

  std::vector<brisca::CardRecordingName> names;
  if (index.SlotCount() <= kListedSlots) {
    std::vector<RecFileParam> records;
    brisca::CardListingProgress progress;
    progress.total = index.SlotCount();
    index.AppendRecords(records, progress, [&names](const char* name) {
      const auto parsed = brisca::ParseCardRecordingName(name);
      Check(parsed.has_value());
      if (parsed->slot % 2 != 0) return -2;
      names.push_back(*parsed);
      return 0;
    });
    Check(records.size() == names.size());
    Check(progress.done == progress.total);
  }
  const std::string exported = folder + "/export";
  ::mkdir(exported.c_str(), 0700);
  if (index.WriteExportIndex(exported, names) != 0) return 0;
  for (const brisca::CardRecordingName& name : names) {
    brisca::CardRecordingEntry original{};
    Check(index.FindRecording(name.file_number, name.slot, &original));
    Check(index.UpdateExportEntry(exported, name, brisca::card_index::RegionOffset(original.data())) == 0);
  }
  brisca::CIndexFileJv back(0);
  back.SetDir(exported, brisca::kCardFolderMode);
  Check(back.ReadIndexFile() == 0);
  for (const brisca::CardRecordingName& name : names) {
    brisca::CardRecordingEntry original{};
    brisca::CardRecordingEntry copy{};
    Check(index.FindRecording(name.file_number, name.slot, &original));
    Check(back.FindRecording(name.file_number, name.slot, &copy));
    Check(original == copy);
  }
  ::unlink((exported + "/0_index00.bin").c_str());
  return 0;
}

// Reads and lists the index through sources that fail, cut reads short or
// lie about their size: a partial table lists at most its slots.
void ListUnderFaults(const std::string& folder, const brisca::testing::ReadFaults& faults) {
  const brisca::testing::ScopedReadFaults scoped(faults);
  brisca::CIndexFileJv index(0);
  index.SetDir(folder, brisca::kCardFolderMode);
  if (index.ReadIndexFile() != 0 || index.SlotCount() > kListedSlots) return;
  std::vector<RecFileParam> records;
  brisca::CardListingProgress progress;
  progress.total = index.SlotCount();
  index.AppendRecords(records, progress, [](const char*) { return 0; });
  Check(records.size() <= progress.total && progress.done == progress.total);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const int result = ExerciseIndex(data, size);
  if (size >= brisca::fuzz::kReadFaultBytes)
    ListUnderFaults(WorkFolder(), brisca::fuzz::ReadFaultsFrom(data, size));
  return result;
}
