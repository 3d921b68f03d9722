// Fuzz target for the card export: the input (after seven control bytes) is
// an evf container in an export folder whose index names two recordings in
// it, at offset 0 and at an offset from the control bytes. Both are exported
// into a folder holding an earlier export, while the reads misbehave and the
// writes fail as the control bytes say.
//
// Control bytes: the read that fails (0: none); bit 0: every later read
// fails too, bits 1-7: the longest read in units of 97 bytes (0: any); the
// size error in units of 64 bytes (signed); the write that fails (0: none,
// counted from the export's first); bit 0: EFBIG instead of ENOSPC, bit 1:
// every later write fails too; two bytes placing the second recording.
//
// Whatever happens: the source folder is unchanged and no temporary folder
// is left. An export that reports failure leaves the earlier export byte
// for byte; one that reports success lists exactly the recordings named,
// and when no read failed and the size was true each reads back frame for
// frame.
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "brisca/base/diag_log.h"
#include "brisca/base/file_write.h"
#include "brisca/card/card_index_layout.h"
#include "brisca/card/card_reader.h"
#include "brisca/export/export_file_jv.h"
#include "brisca/testing/faulty_file.h"

namespace {

namespace ci = brisca::card_index;
namespace fs = std::filesystem;

constexpr size_t kControlBytes = 7;
constexpr int kMaxFrames = 20000;

void Check(bool condition) {
  if (!condition) std::abort();
}

const std::string& WorkFolder() {
  static const std::string folder = [] {
    std::string pattern = "/tmp/brisca-card-export-fuzz-XXXXXX";
    if (!::mkdtemp(pattern.data())) std::abort();
    brisca::ProcessLog().SetRoot(pattern);
    return pattern;
  }();
  return folder;
}

void WriteFile(const std::string& path, const uint8_t* data, size_t size) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
}

// Partition 0: file 1 with slots at offset 0 and `second_offset`;
// partitions 1-3 empty.
void WriteIndexes(const std::string& folder, uint32_t second_offset) {
  std::vector<uint8_t> index(ci::kHeaderSize + ci::kFileEntrySize + ci::kRecordingTableSize * 2, 0);
  ci::WriteCounts(index.data(), {1, 1, 1, 0});
  for (int k = 1; k <= ci::kDescriptorCount; ++k) ci::WriteDescriptor(index.data(), k, {});
  ci::FileEntry entry;
  entry.file_number = 1;
  entry.channel = 1;
  entry.last_slot = 1;
  ci::WriteFileEntry(index.data() + ci::kHeaderSize, entry);
  uint8_t* table = index.data() + ci::RecordingEntryPosition(ci::kHeaderSize + ci::kFileEntrySize, 1, 0);
  for (int s = 0; s < 2; ++s) {
    uint8_t* slot = table + s * ci::kRecordingEntrySize;
    const uint32_t start = 1772870400;  // 2026
    std::memcpy(slot + 16, &start, 4);
    std::memcpy(slot + 20, &start, 4);
    ci::SetRegionOffset(slot, s == 0 ? 0 : second_offset);
  }
  WriteFile(folder + "/0_index00.bin", index.data(), index.size());
  const std::vector<uint8_t> empty(ci::kHeaderSize, 0);
  for (int p = 1; p < 4; ++p)
    WriteFile(folder + "/" + std::to_string(p) + "_index00.bin", empty.data(), empty.size());
}

// Every file below `folder` by relative path, with its bytes.
std::map<std::string, std::string> Contents(const std::string& folder) {
  std::map<std::string, std::string> contents;
  for (const fs::directory_entry& entry : fs::recursive_directory_iterator(folder)) {
    std::ifstream in(entry.path(), std::ios::binary);
    contents[fs::relative(entry.path(), folder).string()] =
        entry.is_directory() ? "<folder>" : std::string(std::istreambuf_iterator<char>(in), {});
  }
  return contents;
}

std::set<std::string> Listed(brisca::CIndexFileJvMgr& manager) {
  std::set<std::string> names;
  RecFileParam* list = nullptr;
  const int count = manager.GetFileParam(&list, nullptr, 0);
  for (int i = 0; i < count; ++i) names.insert(list[i].name);
  std::free(list);
  return names;
}

struct Frame {
  uint32_t kind;
  uint64_t timestamp;
  std::vector<uint8_t> data;
  bool operator==(const Frame&) const = default;
};

std::optional<std::vector<Frame>> FramesOf(brisca::CIndexFileJvMgr& manager,
                                          const std::string& name) {
  brisca::CFileJv reader(manager);
  if (reader.Open(name.c_str()) != 0) return std::nullopt;
  std::vector<Frame> frames;
  brisca::RecFrame* frame = nullptr;
  for (int i = 0; i < kMaxFrames && reader.ReadFrame(&frame, nullptr) == 0; ++i) {
    frames.push_back({frame->kind, frame->timestamp,
                      std::vector<uint8_t>(frame->data, frame->data + frame->length)});
    reader.ReleaseFrame(frame);
  }
  reader.Close();
  return frames;
}

int32_t final_report = 0;

void BRISCA_CALL Record(int32_t, int32_t value) {
  // Progress stays below 100 until the export is in place.
  if (value == 100 || value == -1) final_report = value;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < kControlBytes) return 0;
  const std::string& work = WorkFolder();
  const std::string source = work + "/source";
  const std::string destination = work + "/destination";
  fs::remove_all(source);
  fs::remove_all(destination);
  fs::create_directories(source);
  fs::create_directories(destination);
  WriteFile(source + "/0_fly00001.evf", data + kControlBytes, size - kControlBytes);
  WriteIndexes(source, (uint32_t{data[5]} << 8 | data[6]) * 16u);
  for (const char* name : {"0_index00.bin", "2_index00.bin", "0_fly00001.evf", "notes.txt"})
    WriteFile(destination + "/" + name, reinterpret_cast<const uint8_t*>(name), std::strlen(name));
  const std::map<std::string, std::string> source_before = Contents(source);
  const std::map<std::string, std::string> earlier = Contents(destination);

  brisca::CIndexFileJvMgr card;
  card.SetDir(source.c_str(), brisca::kCardFolderMode);
  const std::set<std::string> listed = Listed(card);
  const std::vector<std::string> names(listed.begin(), listed.end());

  brisca::testing::ReadFaults faults;
  faults.fail_read = data[0];
  faults.fail_after = (data[1] & 1) != 0;
  faults.max_read = (uint32_t{data[1]} >> 1) * 97u;
  faults.size_delta = int64_t{static_cast<int8_t>(data[2])} * 64;
  // Short reads change no byte; failing reads and a size that lies may.
  const bool reads_misbehave = faults.fail_read != 0 || faults.size_delta != 0;
  final_report = 0;
  {
    const brisca::testing::ScopedReadFaults scoped(faults);
    brisca::InjectWriteFault(data[3], (data[4] & 1) ? EFBIG : ENOSPC, (data[4] & 2) != 0);
    brisca::CExportFileJv worker(names, destination, Record, 0, card);
    const size_t placed = worker.Export();
    brisca::InjectWriteFault(0, 0, false);
    Check(final_report == 100 ? placed == names.size() : placed == 0);
  }
  Check(final_report == 100 || final_report == -1);

  Check(Contents(source) == source_before);
  // Nothing beside the two folders (and the log): no temporary folder.
  for (const fs::directory_entry& entry : fs::directory_iterator(work))
    Check(entry.path().filename() == "source" || entry.path().filename() == "destination" ||
          entry.path().filename() == "log");
  if (final_report == -1) {
    Check(Contents(destination) == earlier);
    return 0;
  }
  // The new export in place of the earlier one, the other file kept.
  std::set<std::string> files;
  for (const auto& [name, bytes] : Contents(destination)) files.insert(name);
  std::set<std::string> expected = {"0_index00.bin", "1_index00.bin", "2_index00.bin",
                                    "3_index00.bin", "notes.txt"};
  if (!names.empty()) expected.insert("0_fly00001.evf");
  Check(files == expected);
  brisca::CIndexFileJvMgr exported;
  exported.SetDir(destination.c_str(), brisca::kCardFolderMode);
  Check(Listed(exported) == listed);
  if (!reads_misbehave) {
    for (const std::string& name : names) Check(FramesOf(exported, name) == FramesOf(card, name));
  }
  return 0;
}
