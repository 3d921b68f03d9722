// The export exports through libbrisca.so and its public header alone: the
// arguments refused, a card's recordings exported and listed back from the
// folder, the overwrite check, stopping from the export's own callback, and
// an export into its own source refused (by the tool as well).
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "brisca.h"
#include "tests/export/export_test_support.h"

namespace {

namespace fs = std::filesystem;
using brisca::testing::Shell;
using brisca::testing::WorkPath;

std::set<std::string> ListCard() {
  std::set<std::string> names;
  RecFileParam* list = nullptr;
  const int32_t count = JV_GetFileParam(&list, nullptr, 0);
  for (int32_t i = 0; i < count; ++i) names.insert(list[i].name);
  JV_FreeFileParam(list);
  return names;
}

struct Outcome {
  std::mutex mutex;
  std::vector<int32_t> values;
  std::atomic<bool> ended{false};
  std::atomic<uint32_t> handle{0};
  std::atomic<int32_t> stop_from_callback{-2};
};
Outcome outcome;

void BRISCA_CALL Record(int32_t user, int32_t value) {
  EXPECT_EQ(user, 11);
  {
    const std::lock_guard lock(outcome.mutex);
    outcome.values.push_back(value);
  }
  if (value == 100 || value == -1) outcome.ended = true;
}

void BRISCA_CALL StopFromCallback(int32_t user, int32_t value) {
  while (outcome.handle == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  if (outcome.stop_from_callback == -2) outcome.stop_from_callback = JV_StopExortFile(outcome.handle);
  Record(user, value);
}

std::vector<char> Slots(const std::vector<std::string>& names) {
  std::vector<char> slots(names.size() * 260, '\0');
  for (size_t i = 0; i < names.size(); ++i) names[i].copy(&slots[i * 260], 259);
  return slots;
}

void WaitForTheEnd() {
  while (!outcome.ended) std::this_thread::sleep_for(std::chrono::milliseconds(2));
}

TEST(ExportExportsTest, RefusesMissingArgumentsAndUnknownHandles) {
  uint32_t handle = 0;
  const std::vector<char> slots = Slots({"0\\1\\0"});
  EXPECT_EQ(JV_StartExortFile(slots.data(), 1, nullptr, Record, 0, &handle), 1);
  EXPECT_EQ(JV_StartExortFile(slots.data(), 1, "/tmp", Record, 0, nullptr), 1);
  EXPECT_EQ(JV_StartExortFile(nullptr, 1, "/tmp", Record, 0, &handle), 1);
  EXPECT_EQ(JV_StartExortFile(slots.data(), -1, "/tmp", Record, 0, &handle), 1);
  EXPECT_EQ(handle, 0u);
  EXPECT_EQ(JV_StopExortFile(0), 1);
  EXPECT_EQ(JV_StopExortFile(0x5151), 1);
}

TEST(ExportExportsTest, ExportsACardsRecordingsIntoAFolderThatListsBack) {
  const std::string image = WorkPath("api-card-" + std::to_string(getpid()) + ".img");
  int status = 0;
  Shell(std::string("'") + EXPORT_TEST_TOOL + "' sample card '" + image +
            "' --files 2 --recordings 2 --seconds 2 --size 96x64 2>&1",
        &status);
  ASSERT_EQ(status, 0);
  setenv("BRISCA_PHYSICAL_DRIVES", image.c_str(), 1);
  ASSERT_EQ(JV_SearchSD(-1, nullptr), 1);
  const std::set<std::string> card = ListCard();
  ASSERT_EQ(card.size(), 4u);

  const std::string folder = WorkPath("api-export-" + std::to_string(getpid()));
  fs::create_directories(folder);
  EXPECT_EQ(JV_IsExistsExortFile(folder.c_str()), 0);
  const std::vector<std::string> names(card.begin(), std::next(card.begin(), 3));
  const std::vector<char> slots = Slots(names);
  uint32_t handle = 0;
  outcome.ended = false;
  ASSERT_EQ(JV_StartExortFile(slots.data(), 3, folder.c_str(), Record, 11, &handle), 0);
  ASSERT_NE(handle, 0u);
  WaitForTheEnd();
  EXPECT_EQ(JV_StopExortFile(handle), 0);
  EXPECT_EQ(JV_StopExortFile(handle), 1);  // released
  {
    const std::lock_guard lock(outcome.mutex);
    ASSERT_FALSE(outcome.values.empty());
    EXPECT_EQ(outcome.values.back(), 100);
    outcome.values.clear();
  }
  EXPECT_EQ(JV_IsExistsExortFile(folder.c_str()), 1);

  // Stopping from the export's own callback is refused; the caller stops
  // it afterwards as usual.
  outcome.ended = false;
  outcome.handle = 0;
  ASSERT_EQ(JV_StartExortFile(slots.data(), 1, folder.c_str(), StopFromCallback, 11, &handle), 0);
  outcome.handle = handle;
  WaitForTheEnd();
  EXPECT_EQ(outcome.stop_from_callback, 1);
  EXPECT_EQ(JV_StopExortFile(handle), 0);

  // The second export replaced the first.
  EXPECT_EQ(JV_SetDir(folder.c_str(), 0), 0);
  EXPECT_EQ(ListCard(), std::set<std::string>{names.front()});
  fs::remove_all(folder);
  fs::remove(image);
}

// An export folder read as the source and given as the destination, a
// folder inside it, or one around it: the library call and the tool refuse,
// nothing is reported, and no byte of the source tree changes.
TEST(ExportExportsTest, ExportIntoItsOwnSourceIsRefusedAndChangesNothing) {
  const std::string holder = WorkPath("api-holder-" + std::to_string(getpid()));
  const std::string source = holder + "/source";
  const std::string image = WorkPath("api-own-card-" + std::to_string(getpid()) + ".img");
  const std::string tool = std::string("'") + EXPORT_TEST_TOOL + "' ";
  int status = 0;
  Shell(tool + "sample card '" + image + "' --files 2 --recordings 2 --seconds 1 --size 64x48 2>&1",
        &status);
  ASSERT_EQ(status, 0);
  // The source: an export folder the tool made from the card.
  const std::string made = Shell("BRISCA_PHYSICAL_DRIVES='" + image + "' " + tool +
                                     "export '0\\1\\0' '0\\2\\1' -o '" + source + "' 2>&1",
                                 &status);
  ASSERT_EQ(status, 0) << made;
  fs::remove(image);
  fs::create_directory_symlink(source, holder + "/link");
  const std::map<std::string, std::string> before = brisca::testing::FolderContents(holder);
  ASSERT_GE(before.size(), 4u);
  ASSERT_EQ(JV_SetDir(source.c_str(), 0), 0);
  const std::set<std::string> listed = ListCard();
  ASSERT_FALSE(listed.empty());
  const std::vector<std::string> names(listed.begin(), listed.end());
  const std::vector<char> slots = Slots(names);

  for (const std::string& folder :
       {source, source + "/", holder + "/link", holder + "/link/new", source + "/../source",
        holder}) {
    SCOPED_TRACE(folder);
    outcome.values.clear();
    uint32_t handle = 0;
    EXPECT_EQ(JV_StartExortFile(slots.data(), static_cast<int32_t>(names.size()), folder.c_str(),
                                Record, 11, &handle),
              1);
    EXPECT_EQ(handle, 0u);
    EXPECT_TRUE(outcome.values.empty());
    std::string said = Shell(tool + "export '" + names.front() + "' --folder '" + source +
                                 "' -o '" + folder + "' --overwrite 2>&1",
                             &status);
    EXPECT_EQ(status, 1) << said;
    EXPECT_NE(said.find("which the export reads"), std::string::npos) << said;
    EXPECT_TRUE(brisca::testing::FolderContents(holder) == before);
  }
  fs::remove_all(holder);
}

}  // namespace
