// G.726 voice decoder: frames of 80, 120, 160 or 200 bytes of codes behind
// the voice header (16, 24, 32 or 40 kbit/s) to 320 samples each. The
// decoder state runs on from frame to frame until the next Open.
#pragma once

#include <cstdint>

#include "brisca/decode/cadec.h"

namespace brisca {

class CADECG726 final : public CADEC {
 public:
  int Open() override;
  int IsPlaceholder() const override { return 0; }
  int Decode(const uint8_t* input, int16_t* output, uint16_t* count) override;
  uint32_t InputFrameSize() const override { return 204; }
  uint32_t OutputBufferSize() const override { return 1280; }

 private:
  uint8_t state_[128] = {};  // the voice library's decoder state
};

}  // namespace brisca
