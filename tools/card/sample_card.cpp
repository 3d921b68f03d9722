#include "tools/card/sample_card.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "brisca/card/card_files.h"
#include "tools/card/card_index_writer.h"
#include "tools/card/card_recording_source.h"

namespace brisca::tools::card {
namespace {

namespace fs = std::filesystem;

void CheckOptions(const SampleCardOptions& o) {
  if (o.partitions < 1 || o.partitions > 4) throw std::invalid_argument("--partitions must be 1-4");
  if (o.files < 1 || o.files > 200) throw std::invalid_argument("--files must be 1-200");
  if (o.recordings < 1 || o.recordings > 256) throw std::invalid_argument("--recordings must be 1-256");
  if (o.channels < 1 || o.channels > 32) throw std::invalid_argument("--channels must be 1-32");
  if (o.open_files > o.channels || o.open_files > o.files)
    throw std::invalid_argument("--open must not exceed --channels or --files");
  if (o.seconds < 1) throw std::invalid_argument("--seconds must be at least 1");
}

std::string FileName(const SampleCardOptions& o, const std::string& folder, int p, uint32_t f) {
  if (o.folder_mode) return CardContainerPath(folder, kCardFolderMode, p, f);
  char name[32];
  std::snprintf(name, sizeof name, "fly%05u.evf", f);
  return (fs::path(PartitionFolder(folder, p)) / name).string();
}

uint32_t EpochSeconds(std::chrono::local_seconds time) {
  return static_cast<uint32_t>(time.time_since_epoch().count());
}

// One container with its recordings; fills the file's index entries.
void WriteFile(const SampleCardOptions& o, const std::string& path, int p, uint32_t i,
               IndexedFile& file, std::vector<SampleCardRecording>& out, bool keep_frames) {
  std::ofstream container(path, std::ios::binary | std::ios::trunc);
  if (!container) throw std::runtime_error("cannot create " + path);
  const uint32_t round = i / o.channels;  // files of one round record together
  uint64_t offset = 0;
  for (uint32_t s = 0; s < o.recordings; ++s) {
    sample::SampleOptions recording;
    recording.channel = file.channel;
    recording.record_type = static_cast<int>((i + s) % 4);
    recording.start = o.start + std::chrono::seconds{(round * o.recordings + s) * (o.seconds + 1)};
    recording.duration_seconds = o.seconds;
    recording.width = o.width;
    recording.height = o.height;
    recording.fps = o.fps;
    recording.keyint = o.fps;
    recording.seed = o.seed + static_cast<uint64_t>(p) * 100000 + i * 300 + s;
    CardRecordingFrames frames = GenerateCardRecording(recording);
    IndexedRecording entry;
    entry.record_type = static_cast<uint8_t>(recording.record_type);
    entry.info_byte = 1;
    entry.audio_codec = frames.audio_codec;
    entry.start_seconds = EpochSeconds(recording.start);
    entry.end_seconds = entry.start_seconds + o.seconds;
    entry.region_offset = static_cast<uint32_t>(offset);
    offset += WriteEvfRecording(container, frames, o.block_frames);
    if (offset > UINT32_MAX) throw std::runtime_error("container larger than 4 GiB: " + path);
    file.recordings.push_back(entry);

    SampleCardRecording listed;
    listed.name = FormatCardRecordingName({p, file.file_number, s});
    listed.channel = file.channel;
    listed.record_type = entry.record_type;
    listed.start_seconds = entry.start_seconds;
    listed.end_seconds = entry.end_seconds;
    if (keep_frames) listed.frames = std::move(frames);
    out.push_back(std::move(listed));
  }
  container.close();
  if (!container) throw std::runtime_error("cannot write " + path);
}

}  // namespace

std::string PartitionFolder(const std::string& folder, int p) {
  char name[16];
  std::snprintf(name, sizeof name, "p%d", p);
  return (fs::path(folder) / name).string();
}

std::vector<SampleCardRecording> WriteSampleCardFiles(const SampleCardOptions& o,
                                                      const std::string& folder, bool keep_frames) {
  CheckOptions(o);
  std::vector<SampleCardRecording> recordings;
  for (int p = 0; p < o.partitions; ++p) {
    const std::string base = o.folder_mode ? folder : PartitionFolder(folder, p);
    fs::create_directories(base);
    CardIndexLayout layout;
    const uint32_t ring_files = o.files - o.open_files;
    layout.ring_capacity = ring_files + 3;
    layout.oldest = layout.ring_capacity - 2;  // the ring wraps after two entries
    for (uint32_t i = 0; i < o.files; ++i) {
      IndexedFile file;
      file.file_number = i + 1;
      file.channel = static_cast<uint8_t>(i % o.channels + 1);
      WriteFile(o, FileName(o, folder, p, file.file_number), p, i, file, recordings, keep_frames);
      (i < ring_files ? layout.ring_files : layout.open_files).push_back(std::move(file));
    }
    const std::vector<uint8_t> index = BuildCardIndex(layout);
    const std::string index_path = o.folder_mode ? CardIndexPath(folder, kCardFolderMode, p)
                                                 : (fs::path(base) / "index00.bin").string();
    std::ofstream out(index_path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(index.data()), static_cast<std::streamsize>(index.size()));
    out.close();
    if (!out) throw std::runtime_error("cannot write " + index_path);
  }
  return recordings;
}

}  // namespace brisca::tools::card
