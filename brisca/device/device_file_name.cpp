#include "brisca/device/device_file_name.h"

namespace brisca {

std::optional<uint32_t> IntervalFromFileName(std::string_view path) {
  const size_t slash = path.find_last_of("/\\");
  const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
  if (name.size() != 32 || name[3] != '-' || name[6] != '-' || name[13] != '-' ||
      name[20] != '-') {
    return std::nullopt;
  }
  switch (name[23] - 'a') {
    case 0:
    case 1:
    case 2: return 500;
    case 3: return 1000;
    case 4: return 1500;
    case 5: return 2000;
    default: return std::nullopt;
  }
}

}  // namespace brisca
