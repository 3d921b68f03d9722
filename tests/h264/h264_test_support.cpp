#include "tests/h264/h264_test_support.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>

#include "brisca/recordings/frame_pool.h"
#include "brisca/stream/stream_frame_reader.h"

namespace brisca::test {
namespace {

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

void AppendPlane(std::vector<uint8_t>& out, const uint8_t* plane, uint32_t stride,
                 uint32_t width, uint32_t height) {
  for (uint32_t row = 0; row < height; ++row) {
    const uint8_t* begin = plane + static_cast<size_t>(row) * stride;
    out.insert(out.end(), begin, begin + width);
  }
}

Picture CopyPicture(const H264_DEC_FRAME& record) {
  Picture picture{record, {}};
  const uint32_t chroma_width = (record.width + 1) / 2;
  const uint32_t chroma_height = (record.height + 1) / 2;
  AppendPlane(picture.planes, record.luma, record.luma_stride, record.width, record.height);
  AppendPlane(picture.planes, record.chroma_u, record.chroma_stride, chroma_width, chroma_height);
  AppendPlane(picture.planes, record.chroma_v, record.chroma_stride, chroma_width, chroma_height);
  return picture;
}

}  // namespace

std::string TestFolder() {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  const std::filesystem::path folder =
      std::filesystem::path(H264_TEST_WORK) / info->test_suite_name() / info->name();
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  return folder.string();
}

bool RunCommand(const std::string& command) { return std::system(command.c_str()) == 0; }

bool GenerateRecording(const std::string& options, const std::string& path) {
  return RunCommand(std::string("'") + H264_TEST_TOOL + "' sample stream " + options + " -o '" + path +
             "' >/dev/null");
}

std::vector<VideoUnit> ReadVideoUnits(const std::string& path) {
  std::vector<VideoUnit> units;
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
  if (!file) return units;
  StreamFrameReader reader([&](uint8_t* buffer, size_t capacity) -> int64_t {
    const size_t count = std::fread(buffer, 1, capacity, file.get());
    return std::ferror(file.get()) ? -1 : static_cast<int64_t>(count);
  });
  FramePool pool;
  RecFrame* frame = nullptr;
  RecFrame* info = nullptr;
  while (reader.Next(pool, &frame, &info) == StreamFrameReader::Status::kFrame) {
    if (frame->kind == FRAME_VIDEO_KEY || frame->kind == FRAME_VIDEO_PREDICTED) {
      units.push_back({std::vector<uint8_t>(frame->data, frame->data + frame->length),
                       frame->kind == FRAME_VIDEO_KEY, frame->timestamp});
    }
    pool.Release(frame);
    if (info) pool.Release(info);
  }
  return units;
}

Drained Decode(void* handle, const uint8_t* bytes, uint32_t length, uint64_t timestamp) {
  Drained drained;
  H264_DEC_FRAME record{};
  int result = Hi264DecFrame(handle, bytes, length, timestamp, &record, 0);
  ++drained.calls;
  while (result == 0 && drained.calls < kCallBound) {
    drained.pictures.push_back(CopyPicture(record));
    result = Hi264DecFrame(handle, nullptr, 0, timestamp, &record, 0);
    ++drained.calls;
  }
  drained.end = result;
  return drained;
}

bool Consistent(const H264_DEC_FRAME& record, uint32_t max_width, uint32_t max_height) {
  if (!record.luma || !record.chroma_u || !record.chroma_v) return false;
  if (record.width == 0 || record.height == 0) return false;
  if (record.width > max_width || record.height > max_height) return false;
  if (record.luma_stride < record.width || record.chroma_stride < (record.width + 1) / 2) {
    return false;
  }
  return !CopyPicture(record).planes.empty();
}

std::vector<uint8_t> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

}  // namespace brisca::test
