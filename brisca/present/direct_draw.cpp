#include "brisca/present/direct_draw.h"

#include <algorithm>
#include <cstring>

#include "brisca/present/color_tables.h"

namespace brisca {
namespace {

// The watermark passes are plain loops the compiler vectorises; on x86
// they are also built for AVX2, chosen by the processor at load time. Not
// under ThreadSanitizer, whose runtime is not up yet when the choice is made.
#if (defined(__x86_64__) || defined(__i386__)) && !defined(__SANITIZE_THREAD__)
#define BRISCA_BLEND_CLONES [[gnu::target_clones("avx2", "default")]]
#else
#define BRISCA_BLEND_CLONES
#endif

// x / 255 for x = src * opacity + 127 + dst * (255 - opacity), at most
// 255 * 255 + 127: in that range every step fits 16 bits, which lets the
// compiler blend eight or sixteen channels an instruction.
inline std::uint16_t Blend16(std::uint16_t term, std::uint16_t dst, std::uint16_t keep) {
  const auto x = static_cast<std::uint16_t>(term + dst * keep);
  return static_cast<std::uint16_t>(static_cast<std::uint16_t>(x + 1 + (x >> 8)) >> 8);
}

// Pixel access for the two formats composed in software, so that text
// drawing is written once; each blends the watermark in one pass of its own.
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
  // BlendChannel with the watermark's share precomputed per channel byte.
  BRISCA_BLEND_CLONES void BlendTerms(int width, int height, const std::uint16_t* terms, int keep) const {
    const std::size_t row = static_cast<std::size_t>(width) * 3;
    for (int y = 0; y < height; ++y, terms += row) {
      std::uint8_t* p = rows + static_cast<std::ptrdiff_t>(y) * stride;
      for (std::size_t i = 0; i < row; ++i) {
        p[i] = static_cast<std::uint8_t>(Blend16(terms[i], p[i], static_cast<std::uint16_t>(keep)));
      }
    }
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
  // As Get, blend and Put for every pixel, in one pass. Each row's terms
  // are planar, all blue then all green then all red, so that a pixel's
  // three channels are found at the same offset.
  BRISCA_BLEND_CLONES void BlendTerms(int width, int height, const std::uint16_t* terms, int keep) const {
    const auto k = static_cast<std::uint16_t>(keep);
    const std::size_t w = static_cast<std::size_t>(width);
    for (int y = 0; y < height; ++y, terms += w * 3) {
      std::uint8_t* p = rows + static_cast<std::ptrdiff_t>(y) * stride;
      const std::uint16_t* blue_terms = terms;
      const std::uint16_t* green_terms = terms + w;
      const std::uint16_t* red_terms = terms + w * 2;
      for (std::size_t x = 0; x < w; ++x) {
        std::uint16_t pixel = 0;
        std::memcpy(&pixel, p + x * 2, sizeof pixel);
        const auto r = static_cast<std::uint16_t>(pixel >> 11);
        const auto g = static_cast<std::uint16_t>((pixel >> 5) & 0x3F);
        const auto b = static_cast<std::uint16_t>(pixel & 0x1F);
        const std::uint16_t blue = Blend16(blue_terms[x], static_cast<std::uint16_t>((b << 3) | (b >> 2)), k);
        const std::uint16_t green = Blend16(green_terms[x], static_cast<std::uint16_t>((g << 2) | (g >> 4)), k);
        const std::uint16_t red = Blend16(red_terms[x], static_cast<std::uint16_t>((r << 3) | (r >> 2)), k);
        pixel = static_cast<std::uint16_t>(((red >> 3) << 11) | ((green >> 2) << 5) | (blue >> 3));
        std::memcpy(p + x * 2, &pixel, sizeof pixel);
      }
    }
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
  composed_ = false;
  layer_ = Layer{};
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
      Refresh();
      if (overlay_wanted_) out.overlay = overlay_.get();
      break;
    case kModeRgb565:
      out.format = BR_PIXFMT_RGB565;
      I420ToRgb565(picture, work_.get(), width_ * 2);
      Refresh();
      ComposeLayer(Rgb565Canvas{work_.get(), width_ * 2}, width_, height_, layer_);
      out.plane[0] = work_.get();
      out.stride[0] = width_ * 2;
      break;
    case kModeBgr24:
      out.format = BR_PIXFMT_BGR24;
      I420ToBgr24(picture, work_.get(), width_ * 3);
      Refresh();
      ComposeLayer(Bgr24Canvas{work_.get(), width_ * 3}, width_, height_, layer_);
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
  text_changes_.fetch_add(1, std::memory_order_release);
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
  watermark_changes_.fetch_add(1, std::memory_order_release);
}

void CDirectDraw::EnableWatermark(bool enable) {
  CAutoLock lock(&watermark_lock_);
  watermark_enabled_ = enable;
  watermark_changes_.fetch_add(1, std::memory_order_release);
}

void CDirectDraw::SetWatermarkAlpha(int alpha) {
  if (static_cast<unsigned>(alpha) > 100u) return;
  CAutoLock lock(&watermark_lock_);
  watermark_alpha_ = alpha;
  watermark_changes_.fetch_add(1, std::memory_order_release);
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
  Layer layer;
  TakeText(layer, width, height);
  TakeWatermark(layer, width, height, false);
  ComposeLayer(Bgr24Canvas{rows, stride}, width, height, layer);
}

template <typename Canvas>
void CDirectDraw::ComposeLayer(const Canvas& canvas, int width, int height, const Layer& layer) {
  if (layer.text.width > 0) DrawTextMask(canvas, width, height, layer.text, layer.text_at);
  if (!layer.mark_terms.empty()) canvas.BlendTerms(width, height, layer.mark_terms.data(), layer.mark_keep);
}

// The counters are read before the state they count: a change that lands
// during the rebuild moves them again and is taken at the next picture.
void CDirectDraw::Refresh() {
  const std::uint64_t text = text_changes_.load(std::memory_order_acquire);
  const std::uint64_t watermark = watermark_changes_.load(std::memory_order_acquire);
  const bool text_moved = !composed_ || text != composed_text_;
  const bool watermark_moved = !composed_ || watermark != composed_watermark_;
  if (!text_moved && !watermark_moved) return;
  if (mode_ == kModeI420) {
    overlay_wanted_ = OverlayWanted();
    if (overlay_wanted_) BuildOverlay();
  } else {
    // A new text (a clock, every second) leaves the watermark's terms alone.
    if (text_moved) TakeText(layer_, width_, height_);
    if (watermark_moved) TakeWatermark(layer_, width_, height_, mode_ == kModeRgb565);
  }
  composed_ = true;
  composed_text_ = text;
  composed_watermark_ = watermark;
}

void CDirectDraw::TakeText(Layer& layer, int width, int height) {
  CAutoLock lock(&text_lock_);
  layer.text = text_mask_;
  layer.text_at = PlaceText(text_corner_, width, height, text_mask_.width, text_mask_.height);
}

void CDirectDraw::TakeWatermark(Layer& layer, int width, int height, bool planar_rows) {
  layer.mark_terms.clear();
  CAutoLock lock(&watermark_lock_);
  if (!watermark_enabled_) return;
  const int opacity = WatermarkOpacity(watermark_alpha_);
  // Opacity 0 gives back every channel as it was, in both formats.
  if (opacity == 0) return;
  const BgrBitmap* scaled = ScaledWatermark(width, height);
  if (!scaled) return;
  layer.mark_keep = 255 - opacity;
  layer.mark_terms.resize(scaled->pixels.size());
  const std::size_t w = static_cast<std::size_t>(width);
  const std::uint8_t* src = scaled->pixels.data();
  std::uint16_t* row = layer.mark_terms.data();
  for (int y = 0; y < height; ++y, row += w * 3) {
    for (std::size_t x = 0; x < w; ++x) {
      for (std::size_t c = 0; c < 3; ++c, ++src) {
        row[planar_rows ? c * w + x : x * 3 + c] = static_cast<std::uint16_t>(*src * opacity + 127);
      }
    }
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
