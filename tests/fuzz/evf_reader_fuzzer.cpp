// Fuzz target for the evf reader: the input (after two control bytes) is a
// container file read in folder mode. The index names two recordings in it,
// at offset 0 and at an offset taken from the control bytes; both are
// checked by the listing, then opened, read to the end, sought and stepped
// by key frames both ways. Every frame handed out must fit the container.
// Then the same again through byte sources that misbehave as the input's
// last three bytes say (fuzz_read_faults.h).
#include <stdlib.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "brisca/base/diag_log.h"
#include "brisca/card/card_index_layout.h"
#include "brisca/card/card_reader.h"
#include "tests/fuzz/fuzz_read_faults.h"

namespace {

namespace ci = brisca::card_index;

constexpr int kMaxFrames = 20000;

void Check(bool condition) {
  if (!condition) std::abort();
}

const std::string& WorkFolder() {
  static const std::string folder = [] {
    std::string pattern = "/tmp/brisca-evf-fuzz-XXXXXX";
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

// Partition 0: file 1 with two slots at `offsets`; partitions 1-3 empty.
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

void Release(brisca::CFileJv& reader, brisca::RecFrame* frame, size_t container) {
  Check(frame->length <= container && frame->length <= frame->capacity);
  reader.ReleaseFrame(frame);
}

void Exercise(brisca::CFileJv& reader, uint8_t knob, size_t container) {
  brisca::RecFrame* frame = nullptr;
  brisca::RecFrame* info = nullptr;
  for (int i = 0; i < kMaxFrames && reader.ReadFrame(&frame, &info) == 0; ++i) Release(reader, frame, container);
  Check(info == nullptr);
  reader.Seek(knob * 97, knob & 1);
  for (int i = 0; i < 4 && reader.NextKeyFrame(&frame) == 0; ++i) Release(reader, frame, container);
  for (int i = 0; i < 4 && reader.PrevKeyFrame(&frame) == 0; ++i) Release(reader, frame, container);
  if (reader.ReadFrame(&frame, &info) == 0) Release(reader, frame, container);
  reader.Rewind();
  if (reader.ReadFrame(&frame, &info) == 0) Release(reader, frame, container);
}

// Lists the folder and reads both recordings; a listing under faults may
// also fail as a whole.
void ListAndRead(const std::string& folder, uint8_t knob, size_t container, bool faulty) {
  brisca::CIndexFileJvMgr manager;
  manager.SetDir(folder.c_str(), brisca::kCardFolderMode);
  RecFileParam* list = nullptr;
  const int listed = manager.GetFileParam(&list, nullptr, 0);
  Check((faulty || listed >= 0) && listed <= 2);
  std::free(list);
  brisca::CFileJv reader(manager);
  for (const char* name : {"0\\1\\0", "0\\1\\1"}) {
    if (reader.Open(name) == 0) Exercise(reader, knob, container);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const std::string& folder = WorkFolder();
  const uint32_t second_offset = (uint32_t{data[0]} << 8 | data[1]) * 16u;
  WriteFile(folder + "/0_fly00001.evf", data + 2, size - 2);
  WriteIndexes(folder, second_offset);
  ListAndRead(folder, data[1], size - 2, false);
  if (size >= brisca::fuzz::kReadFaultBytes) {
    const brisca::testing::ScopedReadFaults faults(brisca::fuzz::ReadFaultsFrom(data, size));
    ListAndRead(folder, data[1], size - 2, true);
  }
  return 0;
}
