// Test helper: a recording in the stream format with known frames, written
// to a temporary file, and what a reader must deliver for it.
#pragma once

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/stream/stream_bytes.h"

namespace brisca::testing {

struct BuiltFrame {
  char type;
  uint64_t timestamp;
  uint64_t offset;  // where the frame starts in the file
  size_t total;     // bytes of the whole frame
};

class RecordingBuilder {
 public:
  // Adds a video frame every 40 ms; every `key_interval`-th is a key frame
  // carrying clock (from `start_second_of_day`), picture and audio formats.
  // `payload` bytes per frame, key frames `key_payload` bytes.
  RecordingBuilder& Video(int count, int key_interval, size_t payload, size_t key_payload,
                          bool with_clock = true) {
    for (int i = 0; i < count; ++i) {
      const bool key = i % key_interval == 0;
      const uint64_t timestamp = next_timestamp_;
      next_timestamp_ += 40;
      Bytes items = TimestampItem(timestamp);
      if (key) {
        Bytes audio_word;
        PutLe32(audio_word, 2 | (16u << 6) | (8000u << 12));
        items = Concat({items, VideoFormatItem(704, 576, 25), Item(5, audio_word)});
        if (with_clock) {
          const uint32_t second = start_second_ + static_cast<uint32_t>((timestamp - first_) / 1000);
          // Dated 2026-03-08, and the next day once the clock passes midnight.
          items = Concat({items, ClockItem(2026, 3, 8 + second / 86400, second % 86400 / 3600,
                                           second / 60 % 60, second % 60)});
        }
      }
      Add(key ? '2' : '3', timestamp, items, Payload(key ? key_payload : payload, uint8_t(i)));
    }
    return *this;
  }
  RecordingBuilder& Audio(uint64_t timestamp) {
    Add('4', timestamp, TimestampItem(timestamp), Payload(324, 9));
    return *this;
  }
  RecordingBuilder& Noise(size_t count) {
    for (size_t i = 0; i < count; ++i) bytes_.push_back(static_cast<uint8_t>('e' + i % 11));
    return *this;
  }

  // Writes the file; removed when the builder goes away.
  const std::string& Write() {
    path_ = (std::filesystem::temp_directory_path() /
             ("brisca-rec-" + std::to_string(getpid()) + "-" + std::to_string(serial_++) + ".strm"))
                .string();
    std::ofstream(path_, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes_.data()), static_cast<std::streamsize>(bytes_.size()));
    return path_;
  }
  ~RecordingBuilder() {
    if (!path_.empty()) std::remove(path_.c_str());
  }

  const std::vector<BuiltFrame>& frames() const { return frames_; }
  std::vector<BuiltFrame> KeyFrames() const {
    std::vector<BuiltFrame> keys;
    for (const BuiltFrame& f : frames_)
      if (f.type == '2') keys.push_back(f);
    return keys;
  }
  const Bytes& bytes() const { return bytes_; }

  void set_start(uint64_t first_timestamp, uint32_t second_of_day) {
    first_ = next_timestamp_ = first_timestamp;
    start_second_ = second_of_day;
  }

 private:
  void Add(char type, uint64_t timestamp, const Bytes& items, const Bytes& payload) {
    const Bytes frame = Frame(type, items, payload, 3);
    frames_.push_back({type, timestamp, bytes_.size(), frame.size()});
    bytes_.insert(bytes_.end(), frame.begin(), frame.end());
  }

  inline static int serial_ = 0;
  Bytes bytes_;
  std::vector<BuiltFrame> frames_;
  uint64_t first_ = 100000;
  uint64_t next_timestamp_ = 100000;
  uint32_t start_second_ = 14 * 3600 + 5 * 60 + 9;
  std::string path_;
};

}  // namespace brisca::testing
