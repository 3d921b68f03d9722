// Local sources chosen by path (NVR_SetDir(path, 0)) through libbrisca.so:
// each kind lists, and a listed recording opens with BR_OpenFile and plays
// into a memory target; a failed listing keeps the source listed before.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "brisca.h"
#include "brisca/testing/memory_target.h"

namespace {

namespace fs = std::filesystem;
using brisca::testing::MemoryTarget;
using brisca::testing::Presented;

// Each test process makes its own sources: ctest runs tests side by side.
const fs::path kWork = fs::path(API_TEST_WORK) / ("local-" + std::to_string(getpid()));

// Leaves nothing behind once the process's tests are done.
struct RemoveWork {
  ~RemoveWork() {
    std::error_code error;
    fs::remove_all(kWork, error);
  }
} remove_work;

bool Tool(const std::string& arguments) {
  return std::system(("'" API_TEST_TOOL "' " + arguments + " >/dev/null").c_str()) == 0;
}

// Makes the source of a kind once per process; its path.
std::string MakeSource(const std::string& kind) {
  const fs::path path = kWork / kind;
  if (fs::exists(path)) return path.string();
  fs::create_directories(kWork);
  const std::string out = "'" + path.string() + "'";
  const std::string card = " --files 1 --recordings 2 --seconds 2 --channels 1 --open 0";
  bool made = false;
  if (kind == "disk.img") made = Tool("sample disk " + out);
  if (kind == "card.img") made = Tool("sample card " + out + card + " --size 96x64");
  if (kind == "card-folder") made = Tool("sample card " + out + card + " --size 128x96 --folder");
  if (kind == "streams") {
    fs::create_directories(path);
    std::ofstream(path / "notes.txt") << "not a recording\n";
    // Neither is read: a FIFO would stall a plain open, and sub-folders are
    // not entered.
    EXPECT_EQ(::mkfifo((path / "pipe").c_str(), 0600), 0);
    fs::create_directories(path / "older");
    made = Tool("sample stream --size 96x64 --duration 2 --channel 3 -o '" +
                (path / "b.strm").string() + "'") &&
           Tool("sample stream --size 96x64 --duration 2 --channel 5 --seed 2 -o '" +
                (path / "a.strm").string() + "'") &&
           Tool("sample stream --size 96x64 --duration 2 -o '" +
                (path / "older" / "c.strm").string() + "'");
  }
  EXPECT_TRUE(made) << kind;
  return path.string();
}

std::vector<RecFileParam> List(const std::string& path) {
  NVR_SetDir(path.c_str(), 0);
  RecFileParam* list = nullptr;
  const int count = NVR_GetFileParam(&list, nullptr, 0);
  std::vector<RecFileParam> records;
  if (!list) return records;
  records.assign(list, list + count);
  NVR_FreeFileParam(list);
  return records;
}

// Opens `name` from the listed source, plays until 20 distinct pictures
// arrived (or a deadline), and returns what was presented.
std::vector<Presented> Play(const std::string& name) {
  uint32_t decoder = 0;
  EXPECT_EQ(BR_CreateDecoder(&decoder), 0);
  NVR_UnMount(decoder, 0);
  EXPECT_EQ(NVR_Mount(decoder, 0), 0);
  MemoryTarget target;
  std::vector<Presented> shown;
  if (BR_OpenFile(name.c_str(), target.target(), 0, decoder) == 0 && BR_Play(decoder, 0) == 0) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (target.distinct().size() < 20 && std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    BR_CloseFile(decoder, 0);
    shown = target.distinct();
  } else {
    ADD_FAILURE() << "cannot open " << name;
  }
  NVR_UnMount(decoder, 0);
  BR_EraseDecoder(decoder);
  return shown;
}

// The pictures came at the recording's pace: timestamps in milliseconds,
// a frame period apart.
void ExpectPictures(const std::vector<Presented>& shown, int width) {
  ASSERT_GE(shown.size(), 20u);
  for (size_t i = 1; i < shown.size(); ++i) {
    EXPECT_EQ(shown[i].width, width);
    EXPECT_GT(shown[i].timestamp, shown[i - 1].timestamp);
    EXPECT_LE(shown[i].timestamp - shown[i - 1].timestamp, 200u) << i;
  }
}

struct Kind {
  const char* source;
  int records;
  const char* first_name;  // empty: the stream file's path
  int first_channel;
  int width;
};

void PrintTo(const Kind& kind, std::ostream* out) { *out << kind.source; }

class LocalSourceTest : public ::testing::TestWithParam<Kind> {};

TEST_P(LocalSourceTest, ListsAndPlaysAListedRecording) {
  const Kind& kind = GetParam();
  const std::string path = MakeSource(kind.source);
  const std::vector<RecFileParam> records = List(path);
  ASSERT_EQ(static_cast<int>(records.size()), kind.records);
  const std::string expected = *kind.first_name ? kind.first_name : path + "/a.strm";
  EXPECT_EQ(records[0].name, expected);
  EXPECT_EQ(records[0].channel, kind.first_channel);
  EXPECT_GT(records[0].duration_ms, 1000);
  EXPECT_GE(records[0].start_time.year, 2026);
  // The card index gives no milliseconds of the day (as JV_GetFileParam).
  if (std::string(kind.source).rfind("card", 0) != 0)
    EXPECT_EQ(records[0].end - records[0].start, static_cast<uint64_t>(records[0].duration_ms));
  ExpectPictures(Play(records[0].name), kind.width);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, LocalSourceTest,
    ::testing::Values(Kind{"disk.img", 12, "1\\20260307\\1", 1, 352},
                      Kind{"card.img", 2, "0\\1\\0", 1, 96},
                      Kind{"card-folder", 2, "0\\1\\0", 1, 128},
                      Kind{"streams", 2, "", 5, 96}),
    [](const auto& info) {
      std::string name = info.param.source;
      for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
      return name;
    });

TEST(LocalSourceFailureTest, AFailedListingKeepsThePreviousSourcePlayable) {
  const std::string card = MakeSource("card.img");
  ASSERT_EQ(List(card).size(), 2u);
  const fs::path random = kWork / "random.bin";
  {
    std::ofstream out(random, std::ios::binary);
    for (int i = 0; i < 200000; ++i) out.put(static_cast<char>((i * 7919) >> 3));
  }
  const fs::path empty = kWork / "empty";
  fs::create_directories(empty);
  for (const fs::path& bad : {random, empty, kWork / "missing"}) {
    NVR_SetDir(bad.c_str(), 0);
    RecFileParam* list = reinterpret_cast<RecFileParam*>(0x1);
    EXPECT_EQ(NVR_GetFileParam(&list, nullptr, 0), 1) << bad;
    EXPECT_EQ(list, reinterpret_cast<RecFileParam*>(0x1)) << bad;
  }
  // The card index lists another card in between; playing reads the
  // listed image's tables again (its pictures are 96 wide, the folder's 128).
  JV_SetDir(MakeSource("card-folder").c_str(), 0);
  RecFileParam* other = nullptr;
  ASSERT_EQ(JV_GetFileParam(&other, nullptr, 0), 2);
  JV_FreeFileParam(other);
  ExpectPictures(Play("0\\1\\1"), 96);
}

}  // namespace
