// Abstract audio decoder: one recorder voice frame in, 8 kHz mono 16-bit
// PCM out, through the voice library. The channel player and the AVI
// conversion worker pick a concrete decoder with CreateAudioDecoder and use
// only these operations.
//
// An instance is used by one thread at a time. Open it before decoding.
#pragma once

#include <cstdint>

namespace brisca {

// PCM output format, laid out as the 18-byte wave format header.
struct AudioOutputFormat {
  uint16_t format_tag = 1;  // PCM
  uint16_t channels = 1;
  uint32_t samples_per_second = 8000;
  uint32_t bytes_per_second = 16000;
  uint16_t block_align = 2;  // bytes per sample frame
  uint16_t bits_per_sample = 16;
  uint16_t extra_size = 0;  // bytes of format data that follow
};

class CADEC {
 public:
  virtual ~CADEC() = default;

  // Resets the decoder state for a new stream. Returns 1 on success, 0 when
  // the voice library refuses.
  virtual int Open() = 0;

  // 1 for this base class, 0 for every concrete decoder.
  virtual int IsPlaceholder() const { return 1; }

  // Decodes one voice frame exactly as stored in the recording (voice
  // header included). On entry `*count` is the frame length in 16-bit
  // words (bytes / 2); `input` must hold that many bytes. On return
  // `*count` is the number of samples written to `output`, which must hold
  // OutputBufferSize() bytes. Returns 1 on success, 0 (with `*count` 0) for
  // a frame the decoder rejects or before Open.
  virtual int Decode(const uint8_t* input, int16_t* output, uint16_t* count) = 0;

  // Size in bytes of the input buffer callers copy a frame into.
  virtual uint32_t InputFrameSize() const = 0;

  // Size in bytes of the output buffer Decode may fill.
  virtual uint32_t OutputBufferSize() const = 0;

  const AudioOutputFormat& output_format() const { return output_format_; }

 protected:
  CADEC() = default;

  AudioOutputFormat output_format_;
};

}  // namespace brisca
