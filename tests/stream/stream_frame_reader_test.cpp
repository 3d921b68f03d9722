#include "brisca/stream/stream_frame_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "brisca/base/damage_report.h"
#include "brisca/stream/stream_records.h"
#include "tests/stream/stream_bytes.h"

namespace brisca {
namespace {

using namespace brisca::testing;

// Serves `bytes` in reads of at most `chunk` bytes; fails after `fail_at`.
struct MemorySource {
  Bytes bytes;
  size_t chunk = SIZE_MAX;
  size_t fail_at = SIZE_MAX;
  size_t position = 0;
  size_t reads = 0;

  StreamFrameReader::ReadFunction Function() {
    return [this](uint8_t* buffer, size_t capacity) -> int64_t {
      ++reads;
      if (position >= fail_at) return -1;
      const size_t count = std::min({capacity, chunk, bytes.size() - position});
      std::memcpy(buffer, bytes.data() + position, count);
      position += count;
      return static_cast<int64_t>(count);
    };
  }
};

struct Delivered {
  FrameKind kind;
  uint64_t timestamp;
  Bytes data;
  uint64_t offset;
  bool operator==(const Delivered&) const = default;
};

std::vector<Delivered> ReadAll(StreamFrameReader& reader, StreamFrameReader::Status* last = nullptr) {
  FramePool pool;
  std::vector<Delivered> out;
  for (;;) {
    RecFrame* frame = nullptr;
    RecFrame* info = nullptr;
    const auto status = reader.Next(pool, &frame, &info);
    if (status != StreamFrameReader::Status::kFrame) {
      if (last) *last = status;
      return out;
    }
    for (RecFrame* f : {frame, info}) {
      if (!f) continue;
      out.push_back({f->kind, f->timestamp, Bytes(f->data, f->data + f->length),
                     reader.last_frame_offset()});
      pool.Release(f);
    }
  }
}

// Frames written one after another, with what the reader must deliver.
struct Sample {
  Bytes bytes;
  std::vector<Delivered> expected;

  void Add(char type, uint64_t timestamp, const Bytes& payload, bool gps = false) {
    const Bytes items = gps ? Concat({TimestampItem(timestamp), GpsItem({})}) : TimestampItem(timestamp);
    const uint64_t offset = bytes.size();
    const Bytes frame = Frame(type, items, payload);
    bytes.insert(bytes.end(), frame.begin(), frame.end());
    const FrameKind kind = type == '4' ? FRAME_AUDIO : (type == '2' ? FRAME_VIDEO_KEY : FRAME_VIDEO_PREDICTED);
    expected.push_back({kind, timestamp, payload, offset});
    if (gps) {
      StreamFrame parsed;
      RecognizeFrame(frame.data(), frame.size(), parsed);
      const InfoRecord info = MakeInfoRecord(parsed);
      const auto* raw = reinterpret_cast<const uint8_t*>(&info);
      expected.push_back({FRAME_INFO, timestamp, Bytes(raw, raw + sizeof info), offset});
    }
  }
  void Noise(size_t count) {
    for (size_t i = 0; i < count; ++i) bytes.push_back(static_cast<uint8_t>('e' + i % 13));
  }
};

Sample MixedSample() {
  Sample s;
  s.Add('2', 1000, Payload(5000, 1), true);
  s.Noise(37);
  s.Add('4', 1010, Payload(324, 2));
  s.Add('3', 1040, Payload(900, 3));
  s.Noise(5);
  s.Add('3', 1080, Payload(1, 4), true);
  return s;
}

TEST(StreamFrameReaderTest, SameFramesWhateverTheReadChunking) {
  const Sample sample = MixedSample();
  for (size_t chunk : {size_t{1}, size_t{7}, size_t{13}, size_t{4096}, SIZE_MAX}) {
    for (size_t buffer : {size_t{24}, size_t{100}, size_t{6000}, kStreamReadBufferSize}) {
      MemorySource source{sample.bytes, chunk};
      StreamFrameReader reader(source.Function(), buffer);
      StreamFrameReader::Status last{};
      EXPECT_EQ(ReadAll(reader, &last), sample.expected) << chunk << " " << buffer;
      EXPECT_EQ(last, StreamFrameReader::Status::kEnd);
    }
  }
}

TEST(StreamFrameReaderTest, FrameLargerThanTheBufferIsReadWhole) {
  Sample s;
  s.Add('2', 1, Payload(3 * 1048576, 5));
  s.Add('3', 2, Payload(10, 6));
  MemorySource source{s.bytes, 65536};
  StreamFrameReader reader(source.Function());
  EXPECT_EQ(ReadAll(reader), s.expected);
}

TEST(StreamFrameReaderTest, TruncatedLastFrameEndsTheStream) {
  Sample s = MixedSample();
  const Bytes torn = Frame('3', TimestampItem(2000), Payload(400, 7));
  s.bytes.insert(s.bytes.end(), torn.begin(), torn.begin() + 200);
  MemorySource source{s.bytes};
  StreamFrameReader reader(source.Function(), 256);
  EXPECT_EQ(ReadAll(reader), s.expected);
}

TEST(StreamFrameReaderTest, FalseHeaderNearTheEndDoesNotHideFrames) {
  // Noise that looks like a header claiming 5000 bytes, then real frames
  // that end the source long before those 5000 bytes.
  Sample s;
  Bytes fake = {0, '3', 'd', 'c'};
  PutLe32(fake, 4988);
  PutLe32(fake, 0);
  s.bytes = fake;
  s.Add('2', 10, Payload(100, 1));
  s.Add('4', 20, Payload(50, 2));
  MemorySource source{s.bytes};
  StreamFrameReader reader(source.Function(), 64);
  EXPECT_EQ(ReadAll(reader), s.expected);
}

std::vector<std::string>& DamageReports() {
  static std::vector<std::string> reports;
  return reports;
}

// Collects the damage reports made while it lives.
struct CollectDamage {
  CollectDamage() {
    DamageReports().clear();
    SetDamageSink([](const char* text) { DamageReports().push_back(text); });
  }
  ~CollectDamage() { SetDamageSink(nullptr); }
};

// A header of type `type` whose lengths claim `payload` and `extension` bytes.
Bytes FalseHeader(char type, uint32_t payload, uint32_t extension) {
  Bytes out{0, static_cast<uint8_t>(type), 'd', 'c'};
  PutLe32(out, payload);
  PutLe32(out, extension);
  return out;
}

TEST(StreamFrameReaderTest, LengthsThatFramesInsideContradictAreGivenUpAndReported) {
  struct Case {
    const char* name;
    Bytes damage;        // put before frame `at` of the sample
    size_t at;
    size_t damaged_frame;  // SIZE_MAX: none; else its length grows by 8000
  };
  const Case cases[] = {
      // A false header in front of the stream claiming 20,000 bytes.
      {"false header in front", FalseHeader('2', 19988, 0), 0, SIZE_MAX},
      // The same between two frames.
      {"false header between", FalseHeader('3', 3000, 0), 2, SIZE_MAX},
      // A real frame whose payload length is 8,000 bytes too large.
      {"length too large", {}, 0, 1},
  };
  for (const Case& c : cases) {
    Sample s;
    Bytes bytes;
    std::vector<Delivered> expected;
    uint64_t given_up = c.damage.size();
    for (size_t i = 0; i < 30; ++i) {
      if (i == c.at) bytes.insert(bytes.end(), c.damage.begin(), c.damage.end());
      Sample one;
      one.Add(i % 2 ? '3' : '2', 1000 + 40 * i, Payload(700 + 90 * i, static_cast<uint8_t>(i)), i == 4);
      if (i == c.damaged_frame) {
        one.bytes[4] += 8000 & 0xFF;
        one.bytes[5] += 8000 >> 8;
        given_up = one.bytes.size();
      } else {
        for (Delivered d : one.expected) {
          d.offset += bytes.size();
          expected.push_back(d);
        }
      }
      bytes.insert(bytes.end(), one.bytes.begin(), one.bytes.end());
    }
    for (size_t chunk : {size_t{64}, SIZE_MAX}) {
      CollectDamage damage;
      MemorySource source{bytes, chunk};
      StreamFrameReader reader(source.Function(), 4096);
      StreamFrameReader::Status last{};
      EXPECT_EQ(ReadAll(reader, &last), expected) << c.name << " " << chunk;
      EXPECT_EQ(last, StreamFrameReader::Status::kEnd) << c.name;
      EXPECT_EQ(reader.given_up_bytes(), given_up) << c.name;
      EXPECT_EQ(DamageReports().size(), 1u) << c.name;
    }
  }
}

TEST(StreamFrameReaderTest, FalseCandidatesClaimingMuchCostNoReadEach) {
  // 1,000 headers, each claiming 50,000 bytes of extension area whose first
  // item is too large for a real frame: each is noise only once its whole
  // claim is buffered. Then real frames.
  Sample s;
  for (int i = 0; i < 1000; ++i) {
    const Bytes candidate = Concat({FalseHeader('3', 0, 50000), Item(7, {}, 200000)});
    s.bytes.insert(s.bytes.end(), candidate.begin(), candidate.end());
  }
  for (int i = 0; i < 60; ++i) s.Add(i % 10 ? '3' : '2', 40 * i, Payload(1000, static_cast<uint8_t>(i)));
  MemorySource source{s.bytes};
  StreamFrameReader reader(source.Function(), 4096);
  EXPECT_EQ(ReadAll(reader), s.expected);
  // One read per candidate before; now a handful for the whole stream.
  EXPECT_LT(source.reads, 20u);
}

TEST(StreamFrameReaderTest, HeadlessTailOfATornFrameIsSkipped) {
  Sample s;
  const Bytes torn = Frame('3', TimestampItem(5), Payload(300, 'e'));
  s.bytes.assign(torn.begin() + 40, torn.end());
  s.Add('2', 10, Payload(100, 1));
  MemorySource source{s.bytes, 3};
  StreamFrameReader reader(source.Function(), 128);
  EXPECT_EQ(ReadAll(reader), s.expected);
}

TEST(StreamFrameReaderTest, ReadErrorIsReportedAfterGoodFrames) {
  const Sample sample = MixedSample();
  MemorySource source{sample.bytes, 1000, 5500};
  StreamFrameReader reader(source.Function(), 2048);
  StreamFrameReader::Status last{};
  const auto frames = ReadAll(reader, &last);
  EXPECT_EQ(last, StreamFrameReader::Status::kReadError);
  ASSERT_GE(frames.size(), 2u);
  EXPECT_EQ(frames[0], sample.expected[0]);
}

TEST(StreamFrameReaderTest, ExhaustedPoolKeepsTheFrameForTheRetry) {
  const Sample sample = MixedSample();
  MemorySource source{sample.bytes};
  StreamFrameReader reader(source.Function());
  FramePool pool(2);
  RecFrame* frame = nullptr;
  RecFrame* info = nullptr;
  RecFrame* held = pool.Take(1);
  EXPECT_EQ(reader.Next(pool, &frame, &info), StreamFrameReader::Status::kPoolExhausted);
  pool.Release(held);
  ASSERT_EQ(reader.Next(pool, &frame, &info), StreamFrameReader::Status::kFrame);
  EXPECT_EQ(frame->timestamp, 1000u);
  ASSERT_NE(info, nullptr);
}

TEST(StreamFrameReaderTest, ResetStartsOverAtTheGivenOffset) {
  const Sample sample = MixedSample();
  MemorySource source{sample.bytes};
  StreamFrameReader reader(source.Function());
  ReadAll(reader);
  source.position = sample.expected[2].offset;
  reader.Reset(source.position);
  const auto again = ReadAll(reader);
  ASSERT_FALSE(again.empty());
  EXPECT_EQ(again.front(), sample.expected[2]);
}

}  // namespace
}  // namespace brisca
