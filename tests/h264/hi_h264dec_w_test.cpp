// The decoder stand-in against generated recordings: exact agreement with
// ffmpeg's own decoding, the attribute limits, entry at a predicted frame,
// damaged input and bad arguments.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "platform/hi_h264dec_w/hi_h264dec_w.h"
#include "tests/h264/h264_test_support.h"

namespace brisca::test {
namespace {

class Handle {
 public:
  explicit Handle(H264_DEC_ATTR attr) : handle_(Hi264DecCreate(&attr)) {}
  ~Handle() { Hi264DecDestroy(handle_); }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  void* get() const { return handle_; }

 private:
  void* handle_;
};

Drained DecodeUnit(const Handle& handle, const VideoUnit& unit) {
  return Decode(handle.get(), unit.bytes.data(), static_cast<uint32_t>(unit.bytes.size()),
                unit.timestamp);
}

std::vector<VideoUnit> Generate(const std::string& folder, const std::string& options) {
  const std::string path = folder + "/rec.strm";
  EXPECT_TRUE(GenerateRecording(options, path));
  return ReadVideoUnits(path);
}

TEST(H264Decoder, DecodesRecordingExactlyAsFfmpeg) {
  const std::string folder = TestFolder();
  const std::string stream = folder + "/rec.strm";
  ASSERT_TRUE(GenerateRecording("--size 352x288 --duration 3", stream));
  ASSERT_TRUE(RunCommand(std::string("'") + H264_TEST_TOOL + "' extract '" + stream + "' '" + folder +
                  "/payload.h264' '" + folder + "/payload.audio' >/dev/null"));
  ASSERT_TRUE(RunCommand(std::string("'") + H264_TEST_FFMPEG + "' -nostdin -v error -f h264 -i '" +
                  folder + "/payload.h264' -f rawvideo -pix_fmt yuv420p '" + folder +
                  "/reference.yuv'"));
  const std::vector<uint8_t> reference = ReadFile(folder + "/reference.yuv");
  ASSERT_EQ(reference.size(), 75u * 352 * 288 * 3 / 2);

  const std::vector<VideoUnit> units = ReadVideoUnits(stream);
  ASSERT_EQ(units.size(), 75u);
  ASSERT_TRUE(units.front().key);
  Handle handle(Attributes(120, 68));
  ASSERT_NE(handle.get(), nullptr);
  std::vector<uint8_t> decoded;
  uint32_t serial = 0;
  for (const VideoUnit& unit : units) {
    const Drained drained = DecodeUnit(handle, unit);
    EXPECT_EQ(drained.end, -1);
    ASSERT_EQ(drained.pictures.size(), 1u) << "one picture per access unit, on the same call";
    const H264_DEC_FRAME& record = drained.pictures[0].record;
    EXPECT_EQ(record.width, 352u);
    EXPECT_EQ(record.height, 288u);
    EXPECT_EQ(record.timestamp, unit.timestamp);
    EXPECT_EQ(record.key_frame != 0, unit.key);
    EXPECT_EQ(record.picture_type, unit.key ? uint32_t{'I'} : uint32_t{'P'});
    EXPECT_EQ(record.decode_errors, 0u);
    EXPECT_EQ(record.serial, ++serial);
    EXPECT_NE(record.complete, 0u);
    decoded.insert(decoded.end(), drained.pictures[0].planes.begin(),
                   drained.pictures[0].planes.end());
  }
  EXPECT_EQ(decoded.size(), reference.size());
  EXPECT_TRUE(decoded == reference) << "decoded planes differ from ffmpeg's";
}

TEST(H264Decoder, AcceptsFullHdWithTheCallersAttributes) {
  const std::vector<VideoUnit> units =
      Generate(TestFolder(), "--size 1920x1080 --duration 1 --fps 3 --keyint 3");
  ASSERT_EQ(units.size(), 3u);
  Handle handle(Attributes(120, 68));
  for (const VideoUnit& unit : units) {
    const Drained drained = DecodeUnit(handle, unit);
    EXPECT_EQ(drained.end, -1);
    ASSERT_EQ(drained.pictures.size(), 1u);
    EXPECT_EQ(drained.pictures[0].record.width, 1920u);
    EXPECT_EQ(drained.pictures[0].record.height, 1080u);
    EXPECT_NE(drained.pictures[0].record.complete, 0u);
    EXPECT_TRUE(Consistent(drained.pictures[0].record, 1920, 1088));
  }
}

TEST(H264Decoder, RefusesPicturesLargerThanTheAttributes) {
  const std::vector<VideoUnit> units =
      Generate(TestFolder(), "--size 352x288 --duration 1 --fps 4 --keyint 2");
  ASSERT_EQ(units.size(), 4u);
  Handle narrow(Attributes(21, 18));  // 336 x 288
  Handle low(Attributes(22, 17));     // 352 x 272
  Handle exact(Attributes(22, 18));   // 352 x 288
  for (const VideoUnit& unit : units) {
    for (const Handle* handle : {&narrow, &low}) {
      const Drained drained = DecodeUnit(*handle, unit);
      EXPECT_TRUE(drained.pictures.empty());
      EXPECT_TRUE(drained.end == -1 || drained.end == -2);
      if (unit.key) {
        EXPECT_EQ(drained.end, -2);
      }
    }
    const Drained drained = DecodeUnit(exact, unit);
    EXPECT_EQ(drained.end, -1);
    ASSERT_EQ(drained.pictures.size(), 1u);
    EXPECT_NE(drained.pictures[0].record.complete, 0u);
  }
}

TEST(H264Decoder, PicturesBeforeTheFirstKeyFrameAreNotComplete) {
  std::vector<VideoUnit> units =
      Generate(TestFolder(), "--size 352x288 --duration 3 --fps 10 --keyint 10");
  ASSERT_EQ(units.size(), 30u);
  ASSERT_TRUE(units[0].key && units[10].key);
  units.erase(units.begin());  // the stream now starts with nine predicted frames
  Handle handle(Attributes(120, 68));
  size_t complete = 0;
  for (size_t i = 0; i < units.size(); ++i) {
    const Drained drained = DecodeUnit(handle, units[i]);
    ASSERT_TRUE(drained.end == -1 || drained.end == -2) << "input " << i;
    for (const Picture& picture : drained.pictures) {
      EXPECT_TRUE(Consistent(picture.record, 1920, 1088));
      if (i < 9) {
        EXPECT_EQ(picture.record.complete, 0u) << "input " << i;
      }
      if (picture.record.complete) ++complete;
    }
    if (i >= 9) {
      ASSERT_EQ(drained.pictures.size(), 1u) << "input " << i;
      EXPECT_NE(drained.pictures[0].record.complete, 0u) << "input " << i;
    }
  }
  EXPECT_EQ(complete, 20u);
}

// Truncated, bit-flipped and random inputs: every one ends with -1 or -2
// within the bound, and whatever comes out is a consistent picture.
TEST(H264Decoder, DamagedInputEndsWithinTheBound) {
  const std::vector<VideoUnit> units =
      Generate(TestFolder(), "--size 176x144 --duration 2 --fps 10 --keyint 5");
  ASSERT_EQ(units.size(), 20u);
  std::mt19937 random(20260307);
  Handle handle(Attributes(120, 68));
  size_t pictures = 0;
  for (int round = 0; round < 10; ++round) {
    for (const VideoUnit& unit : units) {
      std::vector<uint8_t> bytes = unit.bytes;
      switch (random() % 3) {
        case 0: bytes.resize(random() % bytes.size()); break;
        case 1:
          for (int flips = 1 + static_cast<int>(random() % 8); flips > 0; --flips) {
            bytes[random() % bytes.size()] ^= static_cast<uint8_t>(1u << (random() % 8));
          }
          break;
        default:
          for (uint8_t& byte : bytes) byte = static_cast<uint8_t>(random());
          break;
      }
      const Drained drained = Decode(handle.get(), bytes.data(),
                                     static_cast<uint32_t>(bytes.size()), unit.timestamp);
      ASSERT_TRUE(drained.end == -1 || drained.end == -2)
          << "round " << round << ": ended with " << drained.end << " after " << drained.calls;
      for (const Picture& picture : drained.pictures) {
        EXPECT_TRUE(Consistent(picture.record, 1920, 1088));
        ++pictures;
      }
    }
  }
  EXPECT_GT(pictures, 0u) << "damage this light still leaves pictures to decode";
}

TEST(H264Decoder, DrainOfAFreshHandleEndsAtOnce) {
  Handle handle(Attributes(120, 68));
  H264_DEC_FRAME record{};
  EXPECT_EQ(Hi264DecFrame(handle.get(), nullptr, 0, 0, &record, 0), -1);
  const uint8_t not_h264[] = {0x00, 0x00, 0x00, 0x01, 0x67};
  const Drained drained = Decode(handle.get(), not_h264, sizeof not_h264, 0);
  EXPECT_TRUE(drained.pictures.empty());
  EXPECT_TRUE(drained.end == -1 || drained.end == -2);
}

TEST(H264Decoder, CreateRefusesMissingOrOutOfRangeAttributes) {
  EXPECT_EQ(Hi264DecCreate(nullptr), nullptr);
  for (const H264_DEC_ATTR attr : {Attributes(0, 68), Attributes(120, 0), Attributes(513, 68),
                                   Attributes(120, 513)}) {
    EXPECT_EQ(Hi264DecCreate(&attr), nullptr);
  }
  const H264_DEC_ATTR largest = Attributes(512, 512);
  void* handle = Hi264DecCreate(&largest);
  EXPECT_NE(handle, nullptr);
  Hi264DecDestroy(handle);
  Hi264DecDestroy(nullptr);
}

TEST(H264Decoder, RefusesBadArguments) {
  H264_DEC_FRAME record{};
  const uint8_t bytes[] = {0x00, 0x00, 0x01, 0x09, 0xf0};
  EXPECT_EQ(Hi264DecFrame(nullptr, bytes, sizeof bytes, 0, &record, 0), -2);
  EXPECT_EQ(Hi264DecFrame(nullptr, nullptr, 0, 0, &record, 0), -2);
  Handle handle(Attributes(120, 68));
  EXPECT_EQ(Hi264DecFrame(handle.get(), bytes, sizeof bytes, 0, nullptr, 0), -2);
  EXPECT_EQ(Hi264DecFrame(handle.get(), nullptr, 16, 0, &record, 0), -2);
}

}  // namespace
}  // namespace brisca::test
