// Fuzz target for the audio decoders and the voice library.
//
// Input: a codec identifier byte (chooses the decoder as a recording's
// EXT_AUDIO_FORMAT would), then frames, each behind one byte giving its
// length in 16-bit words. The frames run through one opened decoder, so
// the G.726 state is carried from frame to frame. Each frame and the output
// buffer are heap blocks of exactly the size the decoder may touch.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "brisca/decode/cadec_factory.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  std::unique_ptr<brisca::CADEC> decoder = brisca::CreateAudioDecoder(data[0]);
  Check(decoder->Open() == 1);
  const size_t capacity = decoder->OutputBufferSize() / 2;
  size_t position = 1;
  while (position < size) {
    const size_t words = data[position++];
    const size_t length = std::min(words * 2, size - position);
    auto frame = std::make_unique<uint8_t[]>(length);
    if (length) std::memcpy(frame.get(), data + position, length);
    position += length;

    auto output = std::make_unique<int16_t[]>(capacity);
    auto count = static_cast<uint16_t>(length / 2);
    const int result = decoder->Decode(frame.get(), output.get(), &count);
    Check(count <= capacity);
    Check(result == 1 || count == 0);
  }
  return 0;
}
