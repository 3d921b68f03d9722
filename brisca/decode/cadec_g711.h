// G.711 voice decoder: 324-byte frames (voice header and 320 codes) to 320
// samples. Variant 1 is A-law, variant 2 u-law.
#pragma once

#include <cstdint>

#include "brisca/decode/cadec.h"

namespace brisca {

class CADECG711 final : public CADEC {
 public:
  // `variant` is 1 or 2; it is also the codec code Open gives the voice
  // library, which refuses any other value.
  explicit CADECG711(uint16_t variant) : variant_(variant) {}

  int Open() override;
  int IsPlaceholder() const override { return 0; }
  int Decode(const uint8_t* input, int16_t* output, uint16_t* count) override;
  uint32_t InputFrameSize() const override { return 640; }
  uint32_t OutputBufferSize() const override { return 1280; }

  uint16_t variant() const { return variant_; }

 private:
  uint8_t state_[8] = {};  // the voice library's decoder state
  uint16_t variant_;
};

}  // namespace brisca
