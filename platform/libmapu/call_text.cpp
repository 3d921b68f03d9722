#include "platform/libmapu/call_text.h"

#include <charconv>
#include <cmath>
#include <string>

namespace mapu {

std::optional<QString> ReadCallText(const char16_t* text, qsizetype maxChars) {
  if (text == nullptr) return std::nullopt;
  qsizetype length = 0;
  while (text[length] != 0) {
    if (length == maxChars) return std::nullopt;
    ++length;
  }
  return QString::fromUtf16(text, length);
}

std::optional<double> ParseDegrees(const char16_t* text) {
  const std::optional<QString> read = ReadCallText(text, kMaxCoordinateChars);
  if (!read) return std::nullopt;
  const QString trimmed = read->trimmed();
  std::string ascii;
  int digits = 0;
  bool point = false;
  for (qsizetype i = 0; i < trimmed.size(); ++i) {
    const char16_t c = trimmed[i].unicode();
    if (c >= u'0' && c <= u'9') {
      ++digits;
    } else if (c == u'.' && !point) {
      point = true;
    } else if ((c != u'-' && c != u'+') || i != 0) {
      return std::nullopt;
    }
    ascii.push_back(static_cast<char>(c));
  }
  if (digits == 0) return std::nullopt;
  // from_chars takes no leading '+'.
  const char* begin = ascii.data() + (ascii.front() == '+' ? 1 : 0);
  const char* end = ascii.data() + ascii.size();
  double value = 0;
  const auto [stop, error] = std::from_chars(begin, end, value);
  if (error != std::errc() || stop != end || !std::isfinite(value)) return std::nullopt;
  return value;
}

std::optional<LonLat> ParseLonLat(const char16_t* longitude, const char16_t* latitude) {
  const std::optional<double> lon = ParseDegrees(longitude);
  const std::optional<double> lat = ParseDegrees(latitude);
  if (!lon || !lat || std::fabs(*lon) > 180.0 || std::fabs(*lat) > 90.0) return std::nullopt;
  return LonLat{*lon, *lat};
}

}  // namespace mapu
