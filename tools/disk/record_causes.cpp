#include "tools/disk/record_causes.h"

#include <array>
#include <utility>

#include "platform/talvo_file_system/disk_format.h"

namespace brisca::tools::disk {

std::vector<const char*> CauseNameList(int record_type) {
  static constexpr std::array<std::pair<uint8_t, const char*>, 4> kCauses{{
      {tvfs::kCauseManual, "manual"},
      {tvfs::kCauseOverspeed, "overspeed"},
      {tvfs::kCauseEmergency, "emergency"},
      {tvfs::kCauseDms, "dms"},
  }};
  std::vector<const char*> names;
  for (const auto& [bit, name] : kCauses) {
    if ((record_type & bit) != 0) names.push_back(name);
  }
  return names;
}

std::string CauseNames(int record_type) {
  std::string joined;
  for (const char* name : CauseNameList(record_type)) {
    if (!joined.empty()) joined += '|';
    joined += name;
  }
  return joined;
}

}  // namespace brisca::tools::disk
