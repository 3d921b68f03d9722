// ITU-T G.726 ADPCM decoder (16, 24, 32 and 40 kbit/s) with linear PCM
// output, in the recommendation's fixed-point computation with the
// arithmetic of FFmpeg's decoder where the two part, so that recordings
// made by either decode bit-exactly.
#pragma once

#include <cstddef>
#include <cstdint>

namespace voice {

// Decoder memory carried from sample to sample, and across frames. Fixed
// point units are the recommendation's (coefficients in 2^-14, YU in 2^-9,
// YL in 2^-15). DQ and SR history are kept in its floating format with a
// 5-bit exponent (sign << 11 | exponent << 6 | mantissa), wide enough for a
// reconstructed value of -32768; it also keeps the sign of a zero
// difference that later updates depend on.
struct G726State {
  int32_t yl;       // slow scale factor
  int16_t yu;       // fast scale factor
  int16_t dms;      // short-term average of F(I)
  int16_t dml;      // long-term average of F(I)
  int16_t ap;       // speed control
  int16_t a[2];     // pole predictor coefficients
  int16_t b[6];     // zero predictor coefficients
  int16_t dq[6];    // quantized differences, newest first
  int16_t sr[2];    // reconstructed signal, newest first
  uint8_t pk[2];    // signs of DQ + SEZ, newest first (1 negative)
  uint8_t td;       // tone detected
};

// The state the recommendation prescribes at the start of a stream.
void ResetG726(G726State& state);

// Bits per code for `data_size` bytes of codes holding `samples` samples:
// 2 to 5, or 0 when the size fits no rate.
int G726BitsPerCode(size_t data_size, size_t samples);

// Decodes `samples` codes of `bits` (2-5) bits, packed first code in the
// least significant bits, from `data` (at least (samples * bits + 7) / 8
// bytes) into `output`.
void DecodeG726(G726State& state, int bits, const uint8_t* data, size_t samples,
                int16_t* output);

// The same decoding in plain code, and with AVX2 where the processor has it
// (false, and nothing decoded, where it has not); DecodeG726 takes the
// faster. Both give the same samples.
void DecodeG726Plain(G726State& state, int bits, const uint8_t* data, size_t samples,
                     int16_t* output);
bool DecodeG726Avx2(G726State& state, int bits, const uint8_t* data, size_t samples,
                    int16_t* output);

}  // namespace voice
