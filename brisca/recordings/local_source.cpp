#include "brisca/recordings/local_source.h"

#include <sys/stat.h>

#include <filesystem>
#include <system_error>

#include "brisca/base/diag_log.h"
#include "brisca/card/card_files.h"
#include "brisca/card/card_index_manager.h"
#include "brisca/recordings/card_source.h"
#include "brisca/recordings/listed_source.h"
#include "brisca/recordings/stream_folder.h"

namespace brisca {
namespace {

int Listed(ListedKind kind, const std::string& path, int count) {
  if (count < 0) return 1;
  SetListedSource({kind, path});
  BrLog("ListLocalSource:1 %d %d %s", static_cast<int>(kind), count, path.c_str());
  return count;
}

}  // namespace

std::optional<int> ListLocalSource(const std::string& path, RecFileParam** list) {
  if (!list || path.empty()) return 1;
  std::error_code error;
  const std::string absolute = std::filesystem::absolute(path, error).lexically_normal().string();
  struct stat status {};
  if (error || ::stat(absolute.c_str(), &status) != 0) {
    BrLog("ListLocalSource:0 %s", path.c_str());
    return 1;
  }
  if (S_ISDIR(status.st_mode)) {
    if (CIndexFileJvMgr::ExportExists(absolute.c_str()))
      return Listed(ListedKind::kCardFolder, absolute,
                    ListCardSource(absolute, kCardFolderMode, list));
    return Listed(ListedKind::kStreamFolder, absolute, ListStreamFolder(absolute, list));
  }
  if (!S_ISREG(status.st_mode) && !S_ISBLK(status.st_mode)) return 1;
  const int count = ListCardSource(absolute, kCardVolumeMode, list);
  if (count < 0) return std::nullopt;
  return Listed(ListedKind::kCardImage, absolute, count);
}

}  // namespace brisca
