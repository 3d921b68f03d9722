#include "brisca/decode/cadec_factory.h"

#include "brisca/decode/cadec_adpcm.h"
#include "brisca/decode/cadec_g711.h"
#include "brisca/decode/cadec_g726.h"

namespace brisca {

std::unique_ptr<CADEC> CreateAudioDecoder(uint8_t codec_identifier) {
  switch (codec_identifier) {
    case 1: return std::make_unique<CADECG726>();
    case 2: return std::make_unique<CADECG711>(1);
    case 3: return std::make_unique<CADECG711>(2);
    default: return std::make_unique<CADECAdpcm>();
  }
}

}  // namespace brisca
