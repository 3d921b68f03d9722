// The playback family's answers that need no recording: handles that find
// no decoder, empty channel slots, missing out-pointers, the exports that
// are accepted and ignored, and the clip cutter.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <ostream>
#include <string>

#include "brisca.h"
#include "brisca/testing/memory_target.h"

namespace {

using brisca::testing::MemoryTarget;

void BRISCA_CALL IgnoreInfoFrame(const unsigned char*, uint32_t, uint32_t, uint32_t, uint32_t) {}
void BRISCA_CALL IgnoreEnd(int32_t, uint32_t) {}
void BRISCA_CALL IgnoreCutMessage(int32_t, int32_t, uint32_t) {}

std::string TemporaryPath(const std::string& name) {
  return (std::filesystem::temp_directory_path() /
          ("brisca-api-" + std::to_string(getpid()) + "-" + name))
      .string();
}

enum class HandleKind { kZero, kForged, kErased };

const char* Name(HandleKind kind) {
  switch (kind) {
    case HandleKind::kZero:
      return "Zero";
    case HandleKind::kForged:
      return "Forged";
    case HandleKind::kErased:
      return "Erased";
  }
  return "Unknown";
}

void PrintTo(HandleKind kind, std::ostream* out) { *out << Name(kind); }

class NullHandleTest : public ::testing::TestWithParam<HandleKind> {
 protected:
  void SetUp() override {
    switch (GetParam()) {
      case HandleKind::kZero:
        handle_ = 0;
        break;
      case HandleKind::kForged:
        handle_ = 0x12345;
        break;
      case HandleKind::kErased:
        ASSERT_EQ(BR_CreateDecoder(&handle_), 0);
        ASSERT_NE(handle_, 0u);
        ASSERT_EQ(BR_EraseDecoder(handle_), 0);
        break;
    }
  }

  uint32_t handle_ = 0;
};

TEST_P(NullHandleTest, DecoderAndChannelExports) {
  MemoryTarget window;
  EXPECT_EQ(BR_EraseDecoder(handle_), 0);
  EXPECT_EQ(BR_OpenFile("/no/such/recording.strm", window.target(), 0, handle_), 0);
  EXPECT_EQ(BR_CloseFile(handle_, 0), 1);
  EXPECT_EQ(BR_Play(handle_, 0), 1);
  EXPECT_EQ(BR_Stop(handle_, 0), 1);
  EXPECT_EQ(BR_Pause(handle_, 1), 1);
  EXPECT_EQ(BR_PlayOneByOne(handle_), 1);
  EXPECT_EQ(BR_SetPlayRate(handle_, 2, 0), 1);
  EXPECT_EQ(BR_SetPlayTime(handle_, 1000), 1);
  EXPECT_EQ(BR_SetInfoFrameCallBack(handle_, 5, IgnoreInfoFrame), 1);
  EXPECT_EQ(BR_SetEndCallBack(handle_, 5, IgnoreEnd), 1);
  EXPECT_EQ(BR_PlaySound(handle_, 0), 1);
  EXPECT_EQ(BR_StopSound(handle_), 1);
  EXPECT_EQ(BR_SetVolume(handle_, 0xFFFF), 1);
  EXPECT_EQ(BR_ShowOsd(handle_, "text", 0), 1);
  const uint16_t path[] = {'m', '.', 'p', 'n', 'g', 0};
  EXPECT_EQ(BR_InitWatermark(handle_, path, 1, 50), 1);
  EXPECT_EQ(BR_EnableWatermark(handle_, 1), 1);
  EXPECT_EQ(BR_SetWatermarkAlpha(handle_, 50), 1);
  EXPECT_EQ(BR_GetSynChannel(handle_), -1);
  EXPECT_EQ(BR_SetSynChannel(handle_, 1), -1);
}

TEST_P(NullHandleTest, ExportsWithResultsLeaveTheCallersRecordsAlone) {
  RecFileParam param;
  std::memset(&param, 0x5A, sizeof param);
  EXPECT_EQ(BR_GetFileInfo(handle_, &param), 1);
  EXPECT_EQ(param.duration_ms, 0x5A5A5A5A);

  int32_t ms = -7;
  EXPECT_EQ(BR_GetPlayTime(handle_, &ms), 1);
  EXPECT_EQ(ms, -7);

  RecFileInfo info;
  std::memset(&info, 0x5A, sizeof info);
  EXPECT_EQ(JV_GetEVFInfo(handle_, 0, &info), 1);
  EXPECT_EQ(info.width, 0x5A5A5A5A);

  const std::string bmp = TemporaryPath("null.bmp");
  unsigned char stamp[16];
  std::memset(stamp, 0x5A, sizeof stamp);
  EXPECT_EQ(BR_CaptureBMP(handle_, 0, bmp.c_str(), stamp), 1);
  EXPECT_FALSE(std::filesystem::exists(bmp));
  EXPECT_EQ(stamp[0], 0x5A);
}

TEST_P(NullHandleTest, DiskMountExports) {
  EXPECT_EQ(NVR_Mount(handle_, 0), -1);
  EXPECT_EQ(NVR_UnMount(handle_, 0), -1);
  EXPECT_EQ(JV_Mount(handle_, 0), -1);
  EXPECT_EQ(JV_UnMount(handle_, 0), -1);
}

TEST_P(NullHandleTest, NullOutPointers) {
  EXPECT_EQ(BR_GetFileInfo(handle_, nullptr), 1);
  EXPECT_EQ(BR_GetPlayTime(handle_, nullptr), 1);
  EXPECT_EQ(JV_GetEVFInfo(handle_, 0, nullptr), 1);
  EXPECT_EQ(BR_CaptureBMP(handle_, 0, nullptr, nullptr), 1);
}

TEST_P(NullHandleTest, CutExports) {
  EXPECT_EQ(BR_SetCutMsgCallBack(handle_, 5, IgnoreCutMessage), 1);
  EXPECT_EQ(BR_StartCutFile(handle_, 0, 1000), 1);
  EXPECT_EQ(BR_StopCutFile(handle_), 1);
  EXPECT_EQ(BR_CloseCutFile(handle_), 1);
}

INSTANTIATE_TEST_SUITE_P(Handles, NullHandleTest,
                         ::testing::Values(HandleKind::kZero, HandleKind::kForged,
                                           HandleKind::kErased),
                         [](const ::testing::TestParamInfo<HandleKind>& info) {
                           return std::string(Name(info.param));
                         });

TEST(PlaybackExportsTest, DecodersGetDistinctHandlesNotReusedAfterErasure) {
  uint32_t first = 0;
  uint32_t second = 0;
  ASSERT_EQ(BR_CreateDecoder(&first), 0);
  ASSERT_EQ(BR_CreateDecoder(&second), 0);
  ASSERT_NE(first, 0u);
  ASSERT_NE(second, 0u);
  EXPECT_NE(first, second);
  ASSERT_EQ(BR_EraseDecoder(first), 0);
  uint32_t third = 0;
  ASSERT_EQ(BR_CreateDecoder(&third), 0);
  EXPECT_NE(third, 0u);
  EXPECT_NE(third, first);
  EXPECT_NE(third, second);
  // A value next to live ones that was never issued finds nothing.
  EXPECT_EQ(BR_GetSynChannel(std::max(second, third) + 1), -1);
  EXPECT_EQ(BR_GetSynChannel(second), 0);
  EXPECT_EQ(BR_EraseDecoder(second), 0);
  EXPECT_EQ(BR_EraseDecoder(third), 0);
  EXPECT_EQ(BR_GetSynChannel(second), -1);
}

TEST(PlaybackExportsTest, CreateDecoderWithoutOutPointer) {
  EXPECT_EQ(BR_CreateDecoder(nullptr), 0);
}

class EmptyDecoderExportsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(BR_CreateDecoder(&decoder_), 0);
    ASSERT_NE(decoder_, 0u);
  }
  void TearDown() override { EXPECT_EQ(BR_EraseDecoder(decoder_), 0); }

  uint32_t decoder_ = 0;
};

TEST_F(EmptyDecoderExportsTest, OpenRefusals) {
  MemoryTarget window;
  EXPECT_EQ(BR_OpenFile("/no/such/recording.strm", window.target(), 0, decoder_), 1);
  EXPECT_EQ(BR_OpenFile(nullptr, window.target(), 0, decoder_), 1);
  EXPECT_EQ(BR_OpenFile("/no/such/recording.strm", window.target(), 8, decoder_), 1);
  EXPECT_EQ(BR_OpenFile("/no/such/recording.strm", window.target(), -1, decoder_), 1);
}

TEST_F(EmptyDecoderExportsTest, EmptySlots) {
  EXPECT_EQ(BR_CloseFile(decoder_, 3), 0);
  EXPECT_EQ(BR_Play(decoder_, 0), 1);
  EXPECT_EQ(BR_Play(decoder_, 8), 1);
  EXPECT_EQ(BR_Stop(decoder_, 0), 0);

  RecFileParam param;
  std::memset(&param, 0x5A, sizeof param);
  EXPECT_EQ(BR_GetFileInfo(decoder_, &param), 0);
  EXPECT_EQ(param.duration_ms, 0x5A5A5A5A);
  EXPECT_EQ(param.name[0], 0x5A);

  int32_t ms = -7;
  EXPECT_EQ(BR_GetPlayTime(decoder_, &ms), 1);
  EXPECT_EQ(ms, -7);

  RecFileInfo info;
  EXPECT_EQ(JV_GetEVFInfo(decoder_, 0, &info), 1);
  EXPECT_EQ(JV_GetEVFInfo(decoder_, 8, &info), 1);

  const std::string bmp = TemporaryPath("empty.bmp");
  unsigned char stamp[16];
  EXPECT_EQ(BR_CaptureBMP(decoder_, 0, bmp.c_str(), stamp), 1);
  EXPECT_EQ(BR_CaptureBMP(decoder_, -1, bmp.c_str(), stamp), 1);
  EXPECT_FALSE(std::filesystem::exists(bmp));
}

TEST_F(EmptyDecoderExportsTest, BroadcastsSucceedWithNothingOpen) {
  EXPECT_EQ(BR_Pause(decoder_, 1), 0);
  EXPECT_EQ(BR_Pause(decoder_, 0), 0);
  EXPECT_EQ(BR_PlayOneByOne(decoder_), 0);
  EXPECT_EQ(BR_SetPlayRate(decoder_, -2, 1), 0);
  EXPECT_EQ(BR_SetPlayTime(decoder_, 500), 0);
  EXPECT_EQ(BR_SetInfoFrameCallBack(decoder_, 5, IgnoreInfoFrame), 0);
  EXPECT_EQ(BR_SetEndCallBack(decoder_, 5, IgnoreEnd), 0);
  EXPECT_EQ(BR_PlaySound(decoder_, 2), 0);
  EXPECT_EQ(BR_StopSound(decoder_), 0);
  EXPECT_EQ(BR_SetVolume(decoder_, 0x8000), 0);
  EXPECT_EQ(BR_ShowOsd(decoder_, "text", 1), 0);
  EXPECT_EQ(BR_ShowOsd(decoder_, nullptr, 1), 0);
  const uint16_t path[] = {'m', '.', 'p', 'n', 'g', 0};
  EXPECT_EQ(BR_InitWatermark(decoder_, path, 1, 50), 0);
  EXPECT_EQ(BR_InitWatermark(decoder_, nullptr, 0, 50), 0);
  EXPECT_EQ(BR_EnableWatermark(decoder_, 0), 0);
  EXPECT_EQ(BR_SetWatermarkAlpha(decoder_, 30), 0);
}

TEST_F(EmptyDecoderExportsTest, SynchronisingChannel) {
  EXPECT_EQ(BR_GetSynChannel(decoder_), 0);
  EXPECT_EQ(BR_SetSynChannel(decoder_, 3), 0);
  EXPECT_EQ(BR_GetSynChannel(decoder_), 3);
  EXPECT_EQ(BR_SetSynChannel(decoder_, 8), 1);
  EXPECT_EQ(BR_SetSynChannel(decoder_, -1), 1);
  EXPECT_EQ(BR_GetSynChannel(decoder_), 3);
}

TEST_F(EmptyDecoderExportsTest, NullOutPointers) {
  EXPECT_EQ(BR_GetFileInfo(decoder_, nullptr), 1);
  EXPECT_EQ(BR_GetPlayTime(decoder_, nullptr), 1);
  EXPECT_EQ(JV_GetEVFInfo(decoder_, 0, nullptr), 1);
  EXPECT_EQ(BR_CaptureBMP(decoder_, 0, "/dev/null", nullptr), 1);
}

TEST_F(EmptyDecoderExportsTest, DecoderHandlesAreNotCutHandles) {
  EXPECT_EQ(BR_StartCutFile(decoder_, 0, 1000), 1);
  EXPECT_EQ(BR_CloseCutFile(decoder_), 1);
}

TEST(PlaybackExportsTest, IgnoredExportsAnswerZero) {
  EXPECT_EQ(BR_CaptureJPEG(0, 0, 0), 0);
  EXPECT_EQ(BR_CaptureJPEG(0x12345, 1, 2), 0);
  EXPECT_EQ(BR_SetDecCallBack(0, 0, 0), 0);
  EXPECT_EQ(BR_SetDecCallBack(7, 8, 9), 0);
  EXPECT_EQ(BR_SetDisplayCallBack(0, 0, 0), 0);
  EXPECT_EQ(BR_SetDisplayCallBack(7, 8, 9), 0);
}

TEST(PlaybackExportsTest, OpenCutFileFailsAndLeavesItsOutArgument) {
  uint32_t cut = 0xC0FFEE;
  EXPECT_EQ(BR_OpenCutFile("/tmp/source.strm", "/tmp/clip.strm", &cut), 1);
  EXPECT_EQ(cut, 0xC0FFEEu);
  EXPECT_EQ(BR_OpenCutFile(nullptr, nullptr, nullptr), 1);
}

TEST(PlaybackExportsTest, InitializeAndUnInitializeAnswerZero) {
  EXPECT_EQ(BR_Initialize(), 0);
  EXPECT_EQ(BR_Initialize(), 0);
  EXPECT_EQ(BR_UnInitialize(), 0);
  EXPECT_EQ(BR_UnInitialize(), 0);
  EXPECT_EQ(BR_Initialize(), 0);
  EXPECT_EQ(BR_UnInitialize(), 0);
}

}  // namespace
