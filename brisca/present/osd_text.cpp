#include "brisca/present/osd_text.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cstring>

namespace brisca {
namespace {

std::string FindFontFile() {
  std::string path;
  FcConfig* config = FcInitLoadConfigAndFonts();
  if (!config) return path;
  FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>("DejaVu Sans"));
  if (pattern) {
    FcConfigSubstitute(config, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(config, pattern, &result);
    if (match) {
      FcChar8* file = nullptr;
      if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch && file) {
        path = reinterpret_cast<const char*>(file);
      }
      FcPatternDestroy(match);
    }
    FcPatternDestroy(pattern);
  }
  FcConfigDestroy(config);
  return path;
}

// Length of the UTF-8 sequence that starts with `lead`, 0 for a byte that
// cannot start one.
std::size_t SequenceLength(unsigned char lead) {
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) return 2;
  if (lead >= 0xE0 && lead <= 0xEF) return 3;
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  return 0;
}

// Decodes UTF-8 leniently: any malformed sequence yields one U+FFFD and
// skips one byte.
std::vector<char32_t> DecodeUtf8(std::string_view text) {
  std::vector<char32_t> out;
  std::size_t i = 0;
  while (i < text.size()) {
    const auto lead = static_cast<unsigned char>(text[i]);
    const std::size_t length = SequenceLength(lead);
    if (length == 1) {
      out.push_back(lead);
      ++i;
      continue;
    }
    bool valid = length != 0 && i + length <= text.size();
    char32_t code = 0;
    if (valid) {
      code = lead & (0x7Fu >> length);
      for (std::size_t k = 1; k < length; ++k) {
        const auto next = static_cast<unsigned char>(text[i + k]);
        if ((next & 0xC0) != 0x80) {
          valid = false;
          break;
        }
        code = (code << 6) | (next & 0x3Fu);
      }
    }
    const bool overlong = (length == 3 && code < 0x800) || (length == 4 && code < 0x10000);
    if (!valid || overlong || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
      out.push_back(0xFFFD);
      ++i;
      continue;
    }
    out.push_back(code);
    i += length;
  }
  return out;
}

}  // namespace

TextPosition PlaceText(int corner, int picture_width, int picture_height, int text_width,
                       int text_height) {
  const int left = kOsdTextMargin;
  const int top = kOsdTextMargin;
  const int right = picture_width - text_width - kOsdTextMargin;
  const int bottom = picture_height - text_height - kOsdTextMargin;
  switch (corner) {
    case 1: return {right, top};
    case 2: return {left, bottom};
    case 3: return {right, bottom};
    default: return {left, top};
  }
}

std::string CutOsdText(std::string_view text) {
  if (text.size() <= kOsdTextMaxBytes) return std::string(text);
  std::size_t end = kOsdTextMaxBytes;
  // Back off over continuation bytes so that a character is never split.
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
  return std::string(text.substr(0, end));
}

const std::string& OsdFontFile() {
  static const std::string path = FindFontFile();
  return path;
}

struct OsdTextRenderer::FreeType {
  FT_Library library = nullptr;
  FT_Face face = nullptr;
};

OsdTextRenderer::OsdTextRenderer() {
  const std::string& font = OsdFontFile();
  if (font.empty()) return;
  auto* ft = new FreeType;
  if (FT_Init_FreeType(&ft->library) != 0) {
    delete ft;
    return;
  }
  if (FT_New_Face(ft->library, font.c_str(), 0, &ft->face) != 0 ||
      FT_Set_Pixel_Sizes(ft->face, 0, kOsdTextPixelSize) != 0) {
    if (ft->face) FT_Done_Face(ft->face);
    FT_Done_FreeType(ft->library);
    delete ft;
    return;
  }
  freetype_ = ft;
}

OsdTextRenderer::~OsdTextRenderer() {
  if (!freetype_) return;
  FT_Done_Face(freetype_->face);
  FT_Done_FreeType(freetype_->library);
  delete freetype_;
}

TextMask OsdTextRenderer::Render(std::string_view text) {
  TextMask mask;
  if (!freetype_ || text.empty()) return mask;
  FT_Face face = freetype_->face;
  const std::vector<char32_t> codes = DecodeUtf8(text);

  long width = 0;
  for (char32_t code : codes) {
    if (FT_Load_Char(face, code, FT_LOAD_DEFAULT) == 0) width += face->glyph->advance.x >> 6;
  }
  const long ascender = face->size->metrics.ascender >> 6;
  const long height = ascender - (face->size->metrics.descender >> 6);
  // 63 characters at 16 pixels stay far below this; the cap guards against
  // a font with absurd metrics.
  if (width <= 0 || height <= 0 || width > 8192 || height > 1024) return mask;

  mask.width = static_cast<int>(width);
  mask.height = static_cast<int>(height);
  mask.coverage.assign(static_cast<std::size_t>(width * height), 0);
  long pen = 0;
  for (char32_t code : codes) {
    if (FT_Load_Char(face, code, FT_LOAD_RENDER) != 0) continue;
    const FT_GlyphSlot glyph = face->glyph;
    const FT_Bitmap& bitmap = glyph->bitmap;
    // Rendered grey glyphs come top row first (positive pitch).
    if (bitmap.pixel_mode == FT_PIXEL_MODE_GRAY && bitmap.pitch >= 0) {
      const long x0 = pen + glyph->bitmap_left;
      const long y0 = ascender - glyph->bitmap_top;
      for (unsigned int row = 0; row < bitmap.rows; ++row) {
        const long y = y0 + static_cast<long>(row);
        if (y < 0 || y >= height) continue;
        const unsigned char* src = bitmap.buffer + static_cast<long>(row) * bitmap.pitch;
        for (unsigned int col = 0; col < bitmap.width; ++col) {
          const long x = x0 + static_cast<long>(col);
          if (x < 0 || x >= width) continue;
          std::uint8_t& cell = mask.coverage[static_cast<std::size_t>(y * width + x)];
          cell = std::max(cell, static_cast<std::uint8_t>(src[col]));
        }
      }
    }
    pen += glyph->advance.x >> 6;
  }
  return mask;
}

}  // namespace brisca
