#include "brisca/present/direct_draw.h"

#include <algorithm>
#include <cstring>

#include "brisca/present/color_tables.h"

namespace brisca {
namespace {

// Pixel access for the two formats composed in software, so that text and
// watermark drawing is written once.
struct Bgr24Canvas {
  std::uint8_t* rows;
  int stride;
  void Get(int x, int y, int bgr[3]) const {
    const std::uint8_t* p = rows + static_cast<std::ptrdiff_t>(y) * stride + x * 3;
    bgr[0] = p[0];
    bgr[1] = p[1];
    bgr[2] = p[2];
  }
  void Put(int x, int y, const int bgr[3]) const {
    std::uint8_t* p = rows + static_cast<std::ptrdiff_t>(y) * stride + x * 3;
    p[0] = static_cast<std::uint8_t>(bgr[0]);
    p[1] = static_cast<std::uint8_t>(bgr[1]);
    p[2] = static_cast<std::uint8_t>(bgr[2]);
  }
};

struct Rgb565Canvas {
  std::uint8_t* rows;
  int stride;
  void Get(int x, int y, int bgr[3]) const {
    std::uint16_t pixel = 0;
    std::memcpy(&pixel, rows + static_cast<std::ptrdiff_t>(y) * stride + x * 2, sizeof pixel);
    const int r = pixel >> 11;
    const int g = (pixel >> 5) & 0x3F;
    const int b = pixel & 0x1F;
    // Widen by repeating the top bits so that full intensity stays 255.
    bgr[0] = (b << 3) | (b >> 2);
    bgr[1] = (g << 2) | (g >> 4);
    bgr[2] = (r << 3) | (r >> 2);
  }
  void Put(int x, int y, const int bgr[3]) const {
    const auto pixel =
        static_cast<std::uint16_t>(((bgr[2] >> 3) << 11) | ((bgr[1] >> 2) << 5) | (bgr[0] >> 3));
    std::memcpy(rows + static_cast<std::ptrdiff_t>(y) * stride + x * 2, &pixel, sizeof pixel);
  }
};

// White text, the mask's coverage as its opacity, clipped to the picture.
template <typename Canvas>
void DrawTextMask(const Canvas& canvas, int width, int height, const TextMask& mask,
                  TextPosition at) {
  for (int my = 0; my < mask.height; ++my) {
    const int y = at.y + my;
    if (y < 0 || y >= height) continue;
    for (int mx = 0; mx < mask.width; ++mx) {
      const int x = at.x + mx;
      if (x < 0 || x >= width) continue;
      const int coverage =
          mask.coverage[static_cast<std::size_t>(my) * static_cast<std::size_t>(mask.width) +
                        static_cast<std::size_t>(mx)];
      if (coverage == 0) continue;
      int bgr[3];
      canvas.Get(x, y, bgr);
      for (int& c : bgr) c = BlendChannel(255, c, coverage);
      canvas.Put(x, y, bgr);
    }
  }
}

// The scaled watermark (picture size) over every pixel.
template <typename Canvas>
void DrawWatermarkBitmap(const Canvas& canvas, const BgrBitmap& bitmap, int opacity) {
  for (int y = 0; y < bitmap.height; ++y) {
    const std::uint8_t* src =
        bitmap.pixels.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(bitmap.width) * 3;
    for (int x = 0; x < bitmap.width; ++x, src += 3) {
      int bgr[3];
      canvas.Get(x, y, bgr);
      for (int c = 0; c < 3; ++c) bgr[c] = BlendChannel(src[c], bgr[c], opacity);
      canvas.Put(x, y, bgr);
    }
  }
}

}  // namespace

CDirectDraw::CDirectDraw() = default;

CDirectDraw::~CDirectDraw() = default;

void CDirectDraw::SetWindow(BR_VIDEO_TARGET* target) {
  target_ = target;
  if (ready_) SetUp(width_, height_);
}

bool CDirectDraw::SetUp(int width, int height) {
  Release();
  if (width < 1 || height < 1 || width > kDisplayMaxSide || height > kDisplayMaxSide) return false;
  const unsigned formats = target_ ? target_->formats : 0u;
  if (formats & (1u << BR_PIXFMT_I420)) {
    mode_ = kModeI420;
  } else if (formats & (1u << BR_PIXFMT_RGB565)) {
    mode_ = kModeRgb565;
  } else {
    mode_ = kModeBgr24;
  }
  const std::size_t bytes = static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4;
  work_ = std::make_unique<std::uint8_t[]>(bytes);
  if (mode_ == kModeI420) overlay_ = std::make_unique<std::uint8_t[]>(bytes);
  width_ = width;
  height_ = height;
  {
    CAutoLock lock(&watermark_lock_);
    watermark_scaled_ = BgrBitmap{};
  }
  ready_ = true;
  return true;
}

void CDirectDraw::Release() {
  ready_ = false;
  mode_ = kModeNone;
  work_.reset();
  overlay_.reset();
}

int CDirectDraw::Draw(const std::uint8_t* y, int y_stride, const std::uint8_t* u,
                      const std::uint8_t* v, int c_stride, std::uint64_t timestamp) {
  if (!ready_ || !target_ || !target_->present) return -1;
  if (!y || !u || !v || y_stride < width_ || c_stride < (width_ + 1) / 2) return -1;
  const I420View picture{y, u, v, y_stride, c_stride, width_, height_};
  BR_PICTURE out{};
  out.width = width_;
  out.height = height_;
  out.timestamp = timestamp;
  switch (mode_) {
    case kModeI420:
      out.format = BR_PIXFMT_I420;
      out.plane[0] = y;
      out.plane[1] = u;
      out.plane[2] = v;
      out.stride[0] = y_stride;
      out.stride[1] = c_stride;
      out.stride[2] = c_stride;
      if (OverlayWanted()) {
        BuildOverlay();
        out.overlay = overlay_.get();
      }
      break;
    case kModeRgb565:
      out.format = BR_PIXFMT_RGB565;
      I420ToRgb565(picture, work_.get(), width_ * 2);
      ComposeRgb565(work_.get(), width_ * 2);
      out.plane[0] = work_.get();
      out.stride[0] = width_ * 2;
      break;
    case kModeBgr24:
      out.format = BR_PIXFMT_BGR24;
      I420ToBgr24(picture, work_.get(), width_ * 3);
      ComposeBgr24(work_.get(), width_ * 3, width_, height_);
      out.plane[0] = work_.get();
      out.stride[0] = width_ * 3;
      break;
    case kModeNone:
      return -1;
  }
  target_->present(target_, &out);
  return 0;
}

void CDirectDraw::SetText(std::string_view text, int corner) {
  CAutoLock lock(&text_lock_);
  text_ = CutOsdText(text);
  text_corner_ = corner;
  if (text_.empty()) {
    text_mask_ = TextMask{};
    return;
  }
  if (!renderer_) renderer_ = std::make_unique<OsdTextRenderer>();
  text_mask_ = renderer_->Render(text_);
}

void CDirectDraw::InitWatermark(const std::string& path, bool enable, int alpha) {
  // Decode outside the lock: a large file must not stall the worker's draws.
  BgrBitmap picture = LoadWatermarkPng(path);
  CAutoLock lock(&watermark_lock_);
  watermark_path_ = path;
  watermark_ = std::move(picture);
  watermark_scaled_ = BgrBitmap{};
  watermark_enabled_ = enable;
  watermark_alpha_ = alpha;
}

void CDirectDraw::EnableWatermark(bool enable) {
  CAutoLock lock(&watermark_lock_);
  watermark_enabled_ = enable;
}

void CDirectDraw::SetWatermarkAlpha(int alpha) {
  if (static_cast<unsigned>(alpha) > 100u) return;
  CAutoLock lock(&watermark_lock_);
  watermark_alpha_ = alpha;
}

std::string CDirectDraw::text() {
  CAutoLock lock(&text_lock_);
  return text_;
}

int CDirectDraw::watermark_alpha() {
  CAutoLock lock(&watermark_lock_);
  return watermark_alpha_;
}

bool CDirectDraw::watermark_enabled() {
  CAutoLock lock(&watermark_lock_);
  return watermark_enabled_;
}

CDirectDraw::TextBox CDirectDraw::MeasureText(int picture_width, int picture_height) {
  CAutoLock lock(&text_lock_);
  TextBox box;
  if (text_mask_.width == 0) return box;
  const TextPosition at =
      PlaceText(text_corner_, picture_width, picture_height, text_mask_.width, text_mask_.height);
  box.x = at.x;
  box.y = at.y;
  box.width = text_mask_.width;
  box.height = text_mask_.height;
  return box;
}

const BgrBitmap* CDirectDraw::ScaledWatermark(int width, int height) {
  if (watermark_.empty()) return nullptr;
  if (watermark_scaled_.width != width || watermark_scaled_.height != height ||
      watermark_scaled_.empty()) {
    watermark_scaled_ = ScaleBitmap(watermark_, width, height);
  }
  return watermark_scaled_.empty() ? nullptr : &watermark_scaled_;
}

bool CDirectDraw::OverlayWanted() {
  {
    CAutoLock lock(&text_lock_);
    if (!text_.empty()) return true;
  }
  CAutoLock lock(&watermark_lock_);
  return watermark_enabled_;
}

void CDirectDraw::ComposeBgr24(std::uint8_t* rows, int stride, int width, int height) {
  const Bgr24Canvas canvas{rows, stride};
  {
    CAutoLock lock(&text_lock_);
    if (text_mask_.width > 0) {
      DrawTextMask(canvas, width, height, text_mask_,
                   PlaceText(text_corner_, width, height, text_mask_.width, text_mask_.height));
    }
  }
  CAutoLock lock(&watermark_lock_);
  if (!watermark_enabled_) return;
  if (const BgrBitmap* scaled = ScaledWatermark(width, height)) {
    DrawWatermarkBitmap(canvas, *scaled, WatermarkOpacity(watermark_alpha_));
  }
}

void CDirectDraw::ComposeRgb565(std::uint8_t* rows, int stride) {
  const Rgb565Canvas canvas{rows, stride};
  {
    CAutoLock lock(&text_lock_);
    if (text_mask_.width > 0) {
      DrawTextMask(canvas, width_, height_, text_mask_,
                   PlaceText(text_corner_, width_, height_, text_mask_.width, text_mask_.height));
    }
  }
  CAutoLock lock(&watermark_lock_);
  if (!watermark_enabled_) return;
  if (const BgrBitmap* scaled = ScaledWatermark(width_, height_)) {
    DrawWatermarkBitmap(canvas, *scaled, WatermarkOpacity(watermark_alpha_));
  }
}

// The overlay is one straight-alpha layer equivalent to drawing the text
// and then blending the watermark over the picture: text pixels are white
// with their coverage as alpha, and the watermark is composed over that
// layer source-over with its constant opacity.
void CDirectDraw::BuildOverlay() {
  const std::size_t pixels = static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_);
  std::uint8_t* layer = overlay_.get();
  std::memset(layer, 0, pixels * 4);
  {
    CAutoLock lock(&text_lock_);
    const TextMask& mask = text_mask_;
    const TextPosition at =
        PlaceText(text_corner_, width_, height_, mask.width, mask.height);
    for (int my = 0; my < mask.height; ++my) {
      const int y = at.y + my;
      if (y < 0 || y >= height_) continue;
      for (int mx = 0; mx < mask.width; ++mx) {
        const int x = at.x + mx;
        if (x < 0 || x >= width_) continue;
        std::uint8_t* p = layer + (static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) +
                                   static_cast<std::size_t>(x)) * 4;
        p[0] = p[1] = p[2] = 255;
        p[3] = mask.coverage[static_cast<std::size_t>(my) * static_cast<std::size_t>(mask.width) +
                             static_cast<std::size_t>(mx)];
      }
    }
  }
  CAutoLock lock(&watermark_lock_);
  if (!watermark_enabled_) return;
  const BgrBitmap* scaled = ScaledWatermark(width_, height_);
  if (!scaled) return;
  const int opacity = WatermarkOpacity(watermark_alpha_);
  const std::uint8_t* src = scaled->pixels.data();
  for (std::size_t i = 0; i < pixels; ++i, src += 3) {
    std::uint8_t* p = layer + i * 4;
    // Weights in units of 1/(255*255): the watermark's and what remains of
    // the layer beneath it.
    const int under = p[3] * (255 - opacity);
    const int total = opacity * 255 + under;
    if (total == 0) continue;
    for (int c = 0; c < 3; ++c) {
      p[c] = static_cast<std::uint8_t>((src[c] * opacity * 255 + p[c] * under + total / 2) / total);
    }
    p[3] = static_cast<std::uint8_t>((total + 127) / 255);
  }
}

}  // namespace brisca
