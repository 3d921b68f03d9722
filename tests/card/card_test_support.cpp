#include "tests/card/card_test_support.h"

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "brisca/base/damage_report.h"

namespace brisca::testing {

namespace fs = std::filesystem;

namespace {
std::vector<std::string>* g_damage = nullptr;
void KeepDamage(const char* text) { g_damage->push_back(text); }
}  // namespace

DamageCapture::DamageCapture() {
  g_damage = &lines_;
  SetDamageSink(KeepDamage);
}

DamageCapture::~DamageCapture() {
  SetDamageSink(nullptr);
  g_damage = nullptr;
}

size_t DamageCapture::Count(const std::string& text) const {
  size_t count = 0;
  for (const std::string& line : lines_) count += line.find(text) != std::string::npos;
  return count;
}

CardTempFolder::CardTempFolder() {
  std::string pattern = (fs::temp_directory_path() / "brisca-card-test-XXXXXX").string();
  if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

CardTempFolder::~CardTempFolder() {
  std::error_code ignored;
  fs::remove_all(path_, ignored);
}

tools::card::CardRecordingFrames SyntheticRecording(uint32_t video, uint32_t audio,
                                                    uint32_t key_every, uint64_t first_us,
                                                    uint64_t interval_us) {
  tools::card::CardRecordingFrames frames;
  frames.frame_rate = 25.0f;
  frames.audio_codec = 2;
  for (uint32_t i = 0; i < video; ++i) {
    tools::card::CardFrame frame;
    frame.timestamp_us = first_us + i * interval_us;
    frame.key = i % key_every == 0;
    frame.data.assign(100 + i % 7, static_cast<uint8_t>(i));
    frame.data[0] = 0xEE;  // video
    frames.video.push_back(std::move(frame));
  }
  for (uint32_t i = 0; i < audio; ++i) {
    tools::card::CardFrame frame;
    frame.timestamp_us = first_us + i * interval_us;
    frame.data.assign(40 + i % 5, static_cast<uint8_t>(i));
    frame.data[0] = 0xAA;  // audio
    frames.audio.push_back(std::move(frame));
  }
  return frames;
}

std::vector<uint32_t> WriteContainer(const std::string& path,
                                     const std::vector<tools::card::CardRecordingFrames>& recordings,
                                     uint32_t video_per_block) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  std::vector<uint32_t> offsets;
  uint64_t offset = 0;
  for (const auto& recording : recordings) {
    offsets.push_back(static_cast<uint32_t>(offset));
    offset += tools::card::WriteEvfRecording(out, recording, video_per_block);
  }
  if (!out) throw std::runtime_error("cannot write " + path);
  return offsets;
}

tools::card::IndexedFile IndexedFileOf(uint32_t file_number, uint8_t channel,
                                       const std::vector<uint32_t>& offsets, uint32_t start_seconds) {
  tools::card::IndexedFile file;
  file.file_number = file_number;
  file.channel = channel;
  for (size_t s = 0; s < offsets.size(); ++s) {
    tools::card::IndexedRecording recording;
    recording.record_type = static_cast<uint8_t>(s % 4);
    recording.info_byte = 7;
    recording.audio_codec = 2;
    recording.start_seconds = start_seconds + static_cast<uint32_t>(s) * 10;
    recording.end_seconds = recording.start_seconds + 1;
    recording.region_offset = offsets[s];
    file.recordings.push_back(recording);
  }
  return file;
}

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
}

std::vector<uint8_t> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace brisca::testing

namespace brisca::testing {

void WriteEmptyFolderIndexes(const std::string& folder, const std::vector<int>& partitions) {
  for (int p : partitions)
    WriteBytes(folder + "/" + std::to_string(p) + "_index00.bin",
               tools::card::BuildCardIndex(tools::card::CardIndexLayout{}));
}

void WriteFolderCard(const std::string& folder,
                     const std::vector<tools::card::CardRecordingFrames>& recordings,
                     uint32_t video_per_block) {
  const std::vector<uint32_t> offsets =
      WriteContainer(folder + "/0_fly00001.evf", recordings, video_per_block);
  tools::card::CardIndexLayout layout;
  layout.ring_capacity = 4;
  layout.ring_files.push_back(IndexedFileOf(1, 1, offsets));
  WriteBytes(folder + "/0_index00.bin", tools::card::BuildCardIndex(layout));
  WriteEmptyFolderIndexes(folder, {1, 2, 3});
}

}  // namespace brisca::testing
