// IMA ADPCM voice decoder: 168-byte frames (voice header and one 164-byte
// block) to 321 samples.
#pragma once

#include <cstdint>

#include "brisca/decode/cadec.h"

namespace brisca {

class CADECAdpcm final : public CADEC {
 public:
  int Open() override;
  int IsPlaceholder() const override { return 0; }
  int Decode(const uint8_t* input, int16_t* output, uint16_t* count) override;
  uint32_t InputFrameSize() const override { return 168; }
  uint32_t OutputBufferSize() const override { return 1600; }

 private:
  uint8_t state_[16] = {};  // the voice library's decoder state
};

}  // namespace brisca
