#include "brisca/decode/cvdec_his.h"

#include "brisca/recordings/rec_frame.h"
#include "platform/hi_h264dec_w/hi_h264dec_w.h"

namespace brisca {
namespace {

// Macroblocks: 120 x 68 holds 1920 x 1088 pictures.
constexpr H264_DEC_ATTR kDecoderLimits = {{0, 0, 120, 68, 0, 0, 0, 0}};

// The library ends every input with -1 or -2; this bound only guards
// against a library that would not.
constexpr int kMaxPicturesPerInput = 64;

}  // namespace

int CVDECHis::Open(uint32_t, uint32_t, uint32_t) {
  if (!decoder_) decoder_ = Hi264DecCreate(&kDecoderLimits);
  return decoder_ ? 1 : 0;
}

int CVDECHis::Close() {
  Hi264DecDestroy(decoder_);
  decoder_ = nullptr;
  return 1;
}

int CVDECHis::Decode(uint32_t kind, const uint8_t* bytes, uint32_t length,
                     uint32_t timestamp_low, uint32_t timestamp_high,
                     const uint8_t stamp[kPictureStampSize]) {
  if (waiting_for_key_) {
    if (kind != FRAME_VIDEO_KEY) return 0;
    waiting_for_key_ = false;
  }
  if (!decoder_) return 0;
  const uint64_t timestamp = (uint64_t{timestamp_high} << 32) | timestamp_low;
  H264_DEC_FRAME picture{};
  int result = Hi264DecFrame(decoder_, bytes, length, timestamp, &picture, 0);
  for (int calls = 0; result != -1 && result != -2 && calls < kMaxPicturesPerInput; ++calls) {
    if (result == 0) {
      Show({picture.luma, picture.chroma_u, picture.chroma_v,
            static_cast<int>(picture.luma_stride), static_cast<int>(picture.chroma_stride),
            static_cast<int>(picture.width), static_cast<int>(picture.height),
            picture.complete != 0, picture.timestamp},
           stamp);
    }
    result = Hi264DecFrame(decoder_, nullptr, 0, timestamp, &picture, 0);
  }
  return 1;
}

}  // namespace brisca
