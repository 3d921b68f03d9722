// On-screen text: a short line rendered with FreeType into a coverage mask
// and placed in one of the picture's four corners.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace brisca {

// Longest on-screen text in bytes; longer texts are cut (at a UTF-8
// character boundary at or before this length).
inline constexpr std::size_t kOsdTextMaxBytes = 63;
// Gap between the text and the picture's edges, in picture pixels.
inline constexpr int kOsdTextMargin = 5;
inline constexpr int kOsdTextPixelSize = 16;

// 8-bit coverage of the rendered text, width x height, rows top first.
struct TextMask {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> coverage;
};

struct TextPosition {
  int x = 0;
  int y = 0;
};

// Top-left corner of a text_width x text_height text in a picture_width x
// picture_height picture: corner 0 top left, 1 top right, 2 bottom left,
// 3 bottom right, any other value top left; always kOsdTextMargin from the
// corner's edges (the result may be negative when the text is wider than
// the picture).
TextPosition PlaceText(int corner, int picture_width, int picture_height, int text_width,
                       int text_height);

// Cuts `text` to kOsdTextMaxBytes without splitting a UTF-8 sequence.
std::string CutOsdText(std::string_view text);

// Path of the font file fontconfig chooses for "DejaVu Sans"; empty when
// none. Looked up once per process.
const std::string& OsdFontFile();

// Owns a FreeType library and face. Not thread-safe: the display calls it
// under its text lock.
class OsdTextRenderer {
 public:
  OsdTextRenderer();
  ~OsdTextRenderer();
  OsdTextRenderer(const OsdTextRenderer&) = delete;
  OsdTextRenderer& operator=(const OsdTextRenderer&) = delete;

  // Renders UTF-8 `text` (invalid bytes show as U+FFFD) at
  // kOsdTextPixelSize. The mask is as wide as the sum of the advances and as
  // high as the font's line (ascender to descender). Empty mask when the
  // text is empty or no font could be loaded.
  TextMask Render(std::string_view text);

 private:
  struct FreeType;
  FreeType* freetype_ = nullptr;  // null when FreeType or the font failed
};

}  // namespace brisca
