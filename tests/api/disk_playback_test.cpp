// Eight channels of one moment played from a recorder disk through
// libbrisca.so: the synchronising channel's telemetry reaches the program
// complete and in order, every channel reports its end once, and a decoder
// made after closing and erasing the first plays again.
#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "brisca.h"
#include "brisca/testing/memory_target.h"

namespace {

namespace fs = std::filesystem;
using brisca::testing::MemoryTarget;

constexpr int kChannels = 8;

struct Events {
  std::mutex mutex;
  std::vector<uint64_t> info_times;
  std::array<std::atomic<int>, kChannels> ends{};
};
Events events;

void BRISCA_CALL OnInfo(const unsigned char*, uint32_t, uint32_t low, uint32_t high, uint32_t) {
  const std::lock_guard lock(events.mutex);
  events.info_times.push_back((uint64_t{high} << 32) | low);
}

void BRISCA_CALL OnEnd(int32_t channel, uint32_t) {
  if (channel >= 0 && channel < kChannels) ++events.ends[static_cast<size_t>(channel)];
}

bool RunCommand(const std::string& command) { return std::system(command.c_str()) == 0; }

// Timestamps of a recording's telemetry records, from the tool's listing.
std::vector<uint64_t> TelemetryTimes(const std::string& stream) {
  std::vector<uint64_t> times;
  const std::string command = std::string("'") + API_TEST_TOOL + "' frames '" + stream + "'";
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  if (!pipe) return times;
  char line[512];
  while (std::fgets(line, sizeof line, pipe.get())) {
    if (line[0] == '3' && line[1] == '\t') times.push_back(std::strtoull(line + 2, nullptr, 10));
  }
  return times;
}

bool WaitUntil(const auto& done) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

TEST(DiskPlaybackTest, EightChannelsPlayTogetherFromADisk) {
  const fs::path folder = fs::path(API_TEST_WORK) / "eight";
  fs::remove_all(folder);
  fs::create_directories(folder);
  std::string segments;
  std::vector<std::string> streams;
  for (int channel = 0; channel < kChannels; ++channel) {
    // Channel 0 starts first and so synchronises the others.
    const std::string stream = (folder / ("channel" + std::to_string(channel) + ".strm")).string();
    ASSERT_TRUE(RunCommand(std::string("'") + API_TEST_TOOL +
                    "' sample stream --size 96x64 --duration 3 --seed " +
                    std::to_string(channel + 1) + " --start '2026-03-08 10:00:0" +
                    (channel == 0 ? "0" : "1") + "' -o '" + stream + "' >/dev/null"));
    streams.push_back(stream);
    segments += " --segment channel=" + std::to_string(channel) + ",type=0,file='" + stream + "'";
  }
  const std::string image = (folder / "disk.img").string();
  ASSERT_TRUE(RunCommand(std::string("'") + API_TEST_TOOL + "' mkdisk '" + image +
                  "' --disk-number 3" + segments + " >/dev/null"));
  setenv("BRISCA_DRIVES", image.c_str(), 1);

  NvrSearchResult found[12] = {};
  ASSERT_EQ(NVR_SearchSD(-1, found), 1);
  RecFileParam* list = nullptr;
  ASSERT_EQ(NVR_GetFileParam(&list, nullptr, 0), kChannels);
  std::map<int, std::string> names;  // by 0-based channel
  for (int i = 0; i < kChannels; ++i) names[list[i].channel - 1] = list[i].name;
  NVR_FreeFileParam(list);
  ASSERT_EQ(names.size(), static_cast<size_t>(kChannels));

  uint32_t decoder = 0;
  ASSERT_EQ(BR_CreateDecoder(&decoder), 0);
  NVR_UnMount(decoder, 0);
  ASSERT_EQ(NVR_Mount(decoder, 0), 0);
  std::array<MemoryTarget, kChannels> targets;
  for (int channel = 0; channel < kChannels; ++channel) {
    ASSERT_EQ(BR_OpenFile(names[channel].c_str(), targets[channel].target(), channel, decoder), 0)
        << names[channel];
  }
  EXPECT_EQ(BR_GetSynChannel(decoder), 0);
  ASSERT_EQ(BR_SetInfoFrameCallBack(decoder, 0, OnInfo), 0);
  ASSERT_EQ(BR_SetEndCallBack(decoder, 0, OnEnd), 0);
  for (int channel = 0; channel < kChannels; ++channel) ASSERT_EQ(BR_Play(decoder, channel), 0);
  ASSERT_TRUE(WaitUntil([] {
    for (const auto& end : events.ends)
      if (end == 0) return false;
    return true;
  }));
  // A little longer: the workers keep passing at the end.
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  for (int channel = 0; channel < kChannels; ++channel) {
    EXPECT_EQ(events.ends[static_cast<size_t>(channel)].load(), 1) << channel;
    EXPECT_GE(targets[channel].presents(), 3u * 25) << channel;
  }
  {
    const std::lock_guard lock(events.mutex);
    const std::vector<uint64_t> expected = TelemetryTimes(streams[0]);
    EXPECT_GE(expected.size(), 3u);
    EXPECT_EQ(events.info_times, expected);
  }
  for (int channel = 0; channel < kChannels; ++channel) EXPECT_EQ(BR_CloseFile(decoder, channel), 0);
  EXPECT_EQ(BR_EraseDecoder(decoder), 0);

  // The next decoder opens and plays again.
  for (auto& end : events.ends) end = 0;
  ASSERT_EQ(BR_CreateDecoder(&decoder), 0);
  NVR_UnMount(decoder, 0);
  ASSERT_EQ(NVR_Mount(decoder, 0), 0);
  MemoryTarget again;
  ASSERT_EQ(BR_OpenFile(names[4].c_str(), again.target(), 0, decoder), 0);
  ASSERT_EQ(BR_SetEndCallBack(decoder, 0, OnEnd), 0);
  ASSERT_EQ(BR_Play(decoder, 0), 0);
  ASSERT_TRUE(WaitUntil([] { return events.ends[0] > 0; }));
  EXPECT_GE(again.presents(), 3u * 25);
  EXPECT_EQ(BR_CloseFile(decoder, 0), 0);
  EXPECT_EQ(BR_EraseDecoder(decoder), 0);
  NVR_UnMount(decoder, 0);
  unsetenv("BRISCA_DRIVES");
}

}  // namespace
