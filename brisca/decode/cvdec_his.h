// The H.264 video decoder over the hi_h264dec_w decoder library.
#pragma once

#include "brisca/decode/cvdec.h"

namespace brisca {

class CVDECHis : public CVDEC {
 public:
  // The decoder handle is destroyed by Close, not here: the channel player
  // closes before it destroys.
  ~CVDECHis() override = default;

  // Creates a decoder for pictures up to 1920 x 1088. 1 on success.
  int Open(uint32_t, uint32_t, uint32_t) override;
  int Decode(uint32_t kind, const uint8_t* bytes, uint32_t length, uint32_t timestamp_low,
             uint32_t timestamp_high, const uint8_t stamp[kPictureStampSize]) override;
  // Destroys the decoder; 1.
  int Close() override;

 private:
  void* decoder_ = nullptr;
};

}  // namespace brisca
