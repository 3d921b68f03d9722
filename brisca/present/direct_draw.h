// CDirectDraw: a channel's display surface. It converts each decoded 4:2:0
// picture into a format its presentation target accepts, composes the
// on-screen text and the watermark, and hands the picture to the target.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "brisca/base/mutex_lock.h"
#include "brisca/present/osd_text.h"
#include "brisca/present/picture_sink.h"
#include "brisca/present/watermark.h"
#include "brisca/types/brisca_types.h"

namespace brisca {

// Largest picture side the display sets itself up for, in pixels.
inline constexpr int kDisplayMaxSide = 8192;

class CDirectDraw : public CPictureSink {
 public:
  // How pictures reach the target, chosen at set-up from its formats.
  enum Mode {
    kModeNone = 0,    // not set up
    kModeI420 = 1,    // planes as decoded, text and watermark as an overlay
    kModeRgb565 = 2,  // converted and composed here
    kModeBgr24 = 3,   // converted and composed here; the fallback
  };

  // Where the on-screen text lands for a picture size; width and height 0
  // when there is no text (or no font).
  struct TextBox {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
  };

  CDirectDraw();
  virtual ~CDirectDraw();
  CDirectDraw(const CDirectDraw&) = delete;
  CDirectDraw& operator=(const CDirectDraw&) = delete;

  // The following four run on the channel's worker (SetWindow also at file
  // open, before the worker starts).

  // Not owned; must outlive the display or be replaced first. Null detaches.
  // A display that is set up chooses its mode again for the new target.
  void SetWindow(BR_VIDEO_TARGET* target);
  // Chooses the mode (I420 accepted: 1; else RGB565: 2; else BGR24: 3),
  // allocates the W x H x 4 work buffer and, in mode 1, the overlay, and
  // marks the display ready. False, and not ready, when a side is not in
  // 1..kDisplayMaxSide.
  bool SetUp(int width, int height) override;
  // Frees the buffers; the display is not ready until set up again.
  void Release() override;
  // Presents one picture of the set-up size. Chroma planes hold
  // ((W + 1) / 2) x ((H + 1) / 2) samples. Calls the target's present on
  // this thread. 0 drawn; -1 not ready, no target, or a null plane or a
  // stride shorter than a row. `timestamp` (ms) goes to the target with the
  // picture. Text and watermark are prepared again only after they changed.
  int Draw(const std::uint8_t* y, int y_stride, const std::uint8_t* u, const std::uint8_t* v,
           int c_stride, std::uint64_t timestamp = 0) override;

  // The following run on any thread (the caller's), under their locks.

  // Stores at most kOsdTextMaxBytes of `text` and the corner (0 top left,
  // 1 top right, 2 bottom left, 3 bottom right, others top left) and renders
  // it once. An empty text switches the text off.
  void SetText(std::string_view text, int corner);
  // Loads the PNG at `path` (replacing any previous picture; a file that
  // cannot be loaded draws nothing), stores the flag and the alpha as given,
  // and drops the scaled copy so that it is rebuilt at the next draw.
  void InitWatermark(const std::string& path, bool enable, int alpha);
  void EnableWatermark(bool enable);
  // Percent 0..100; anything else (negative included) is ignored.
  void SetWatermarkAlpha(int alpha);

  // Draws the text (white) and then the watermark (blended over everything)
  // into BGR24 rows, top row first, of a width x height picture. Prepares
  // its own layer: it may run beside Draw, for any size.
  void ComposeBgr24(std::uint8_t* rows, int stride, int width, int height) override;
  TextBox MeasureText(int picture_width, int picture_height);

  Mode mode() const { return mode_; }
  bool ready() const { return ready_; }
  int width() const { return width_; }
  int height() const { return height_; }
  std::string text();
  int watermark_alpha();
  bool watermark_enabled();

 private:
  // Text and watermark of one picture size in the form the software modes
  // blend them with.
  struct Layer {
    TextMask text;  // width 0 when there is no text
    TextPosition text_at;
    // Per channel byte of the scaled watermark: its share of the blend plus
    // the rounding, src * opacity + 127; rows as the watermark's (BGR), or
    // planar (all blue, green, red) for mode 2. Empty when there is no pass.
    std::vector<std::uint16_t> mark_terms;
    int mark_keep = 255;  // 255 - opacity: the weight the picture keeps
  };

  // Brings the overlay (mode 1) or layer_ (modes 2 and 3) up to date with
  // the change counters. Worker only.
  void Refresh();
  bool OverlayWanted();
  void BuildOverlay();
  void TakeText(Layer& layer, int width, int height);
  void TakeWatermark(Layer& layer, int width, int height, bool planar_rows);
  template <typename Canvas>
  static void ComposeLayer(const Canvas& canvas, int width, int height, const Layer& layer);
  // Scaled watermark for the size, rebuilt when the size changed; null when
  // there is no picture. Call under watermark_lock_.
  const BgrBitmap* ScaledWatermark(int width, int height);

  // Worker-thread state.
  BR_VIDEO_TARGET* target_ = nullptr;
  int width_ = 0;   // pixels
  int height_ = 0;  // pixels
  bool ready_ = false;
  Mode mode_ = kModeNone;
  std::unique_ptr<std::uint8_t[]> work_;     // W x H x 4 bytes
  std::unique_ptr<std::uint8_t[]> overlay_;  // W x H BGRA, mode 1 only
  // Whether overlay_ or layer_ reflect the counters' values below.
  bool composed_ = false;
  std::uint64_t composed_text_ = 0;
  std::uint64_t composed_watermark_ = 0;
  bool overlay_wanted_ = false;
  Layer layer_;

  // Bumped under the lock of the state they count, read by the worker
  // without it.
  std::atomic<std::uint64_t> text_changes_{0};
  std::atomic<std::uint64_t> watermark_changes_{0};

  CMutexLock text_lock_;
  // Guarded by text_lock_.
  std::string text_;
  int text_corner_ = 0;
  TextMask text_mask_;
  std::unique_ptr<OsdTextRenderer> renderer_;  // created at the first text

  CMutexLock watermark_lock_;
  // Guarded by watermark_lock_.
  std::string watermark_path_;
  BgrBitmap watermark_;         // flattened over black; empty when not loaded
  BgrBitmap watermark_scaled_;  // watermark_ at the last drawn size
  bool watermark_enabled_ = false;
  int watermark_alpha_ = 100;  // percent
};

}  // namespace brisca
