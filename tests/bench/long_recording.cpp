// Makes the long recording of the conversion benchmark quickly: a generated
// recording written REPEAT times in a row, each copy's timestamps and wall
// clock moved on by SECONDS per copy before it, so the result reads (and is
// indexed on a disk) as one continuous recording.
// usage: long_recording BASE SECONDS REPEAT OUT
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

#include "brisca/stream/stream_frame.h"

namespace {

using namespace std::chrono;

void ShiftClock(uint8_t* item, uint32_t shift) {
  const year_month_day date{year{2000 + item[4]}, month{item[5]}, day{item[6]}};
  if (!date.ok()) return;
  const sys_seconds when = sys_days{date} + hours{item[7]} + minutes{item[8]} +
                           std::chrono::seconds{item[9] + int64_t{shift}};
  const sys_days when_day = floor<days>(when);
  const year_month_day moved{when_day};
  const hh_mm_ss<std::chrono::seconds> time{when - when_day};
  item[4] = static_cast<uint8_t>(static_cast<int>(moved.year()) - 2000);
  item[5] = static_cast<uint8_t>(static_cast<unsigned>(moved.month()));
  item[6] = static_cast<uint8_t>(static_cast<unsigned>(moved.day()));
  item[7] = static_cast<uint8_t>(time.hours().count());
  item[8] = static_cast<uint8_t>(time.minutes().count());
  item[9] = static_cast<uint8_t>(time.seconds().count());
}

// Moves the timestamp and clock items of one frame's extension area.
void ShiftFrame(uint8_t* frame, uint32_t shift) {
  uint32_t extension = 0;
  std::memcpy(&extension, frame + 8, 4);
  extension &= 0xFFFFFF;
  uint8_t* area = frame + brisca::kStreamHeaderSize;
  uint32_t position = 0;
  while (extension - position > 4) {
    uint32_t word = 0;
    std::memcpy(&word, area + position, 4);
    const uint32_t tag = word & 0xFF;
    const uint32_t size = word >> 8;
    if (tag == brisca::EXT_END || size < 4 || size > extension - position) break;
    uint8_t* item = area + position;
    if (tag == brisca::EXT_TIMESTAMP && size >= brisca::kTimestampItemSize) {
      uint64_t timestamp = 0;
      std::memcpy(&timestamp, item + 4, 8);
      timestamp += uint64_t{shift} * 1000;
      std::memcpy(item + 4, &timestamp, 8);
    } else if (tag == brisca::EXT_CLOCK && size >= brisca::kClockItemSize) {
      ShiftClock(item, shift);
    }
    position += size;
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) {
    std::fprintf(stderr, "usage: long_recording BASE SECONDS REPEAT OUT\n");
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  const std::vector<uint8_t> base{std::istreambuf_iterator<char>(in), {}};
  const uint32_t seconds = static_cast<uint32_t>(std::strtoul(argv[2], nullptr, 10));
  const int repeat = std::atoi(argv[3]);
  std::ofstream out(argv[4], std::ios::binary);
  if (base.empty() || seconds == 0 || repeat <= 0 || !out) {
    std::fprintf(stderr, "long_recording: bad arguments\n");
    return 2;
  }
  std::vector<uint8_t> copy = base;
  for (int k = 0; k < repeat; ++k) {
    size_t position = 0;
    while (position < copy.size()) {
      brisca::StreamFrame frame;
      const brisca::Recognition found =
          brisca::RecognizeFrame(base.data() + position, base.size() - position, frame);
      if (found.match != brisca::FrameMatch::kFrame) {
        ++position;  // bytes between frames are copied as they are
        continue;
      }
      std::memcpy(copy.data() + position, base.data() + position, frame.total_size);
      ShiftFrame(copy.data() + position, seconds * static_cast<uint32_t>(k));
      position += frame.total_size;
    }
    out.write(reinterpret_cast<const char*>(copy.data()),
              static_cast<std::streamsize>(copy.size()));
  }
  return out ? 0 : 1;
}
