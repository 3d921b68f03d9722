#include "platform/lib_VoiceEngine_dll/g726_decoder.h"

#define G726_STEP
#include "platform/lib_VoiceEngine_dll/g726_steps.h"

namespace voice {
namespace {

// Product of a predictor coefficient and a history value in floating
// format (FMULT). The product is not masked to 15 bits but wraps as a
// signed 16-bit word, and the sums of products are not wrapped: that is
// what FFmpeg's decoder does, and it differs from the recommendation only
// when the predictor overflows.
int FloatMultiply(int16_t coefficient, int16_t value) {
  const int magnitude = std::abs(coefficient >> 2);
  const int exponent = std::bit_width(static_cast<unsigned>(magnitude));
  const int mantissa = magnitude ? (magnitude << 6) >> exponent : 32;
  const bool negative = ((value >> 11) & 1) != (coefficient < 0);
  const int product_exponent = ((value >> 6) & 31) + exponent;
  const int product_mantissa = ((value & 63) * mantissa + 48) >> 4;
  const int product = product_exponent > 19 ? product_mantissa << (product_exponent - 19)
                                             : product_mantissa >> (19 - product_exponent);
  return Wrap16(negative ? -product : product);
}

struct PlainSteps {
  static Estimate Predict(const G726State& s) {
    int zeros = 0;
    for (size_t i = 0; i < 6; ++i) zeros += FloatMultiply(s.b[i], s.dq[i]);
    const int all = zeros + FloatMultiply(s.a[0], s.sr[0]) + FloatMultiply(s.a[1], s.sr[1]);
    return {all >> 1, zeros >> 1};
  }

  // Each zero-predictor coefficient moves toward the sign agreement of the
  // new difference with its own history value, and leaks 2^-8 of itself.
  static void UpdateCoefficients(G726State& s, int a1, int a2, int dq, bool dq_negative) {
    s.a[0] = static_cast<int16_t>(a1);
    s.a[1] = static_cast<int16_t>(a2);
    for (size_t i = 0; i < 6; ++i) {
      int gain = 0;
      if (dq != 0) gain = (dq_negative != (((s.dq[i] >> 11) & 1) != 0)) ? -128 : 128;
      s.b[i] = Wrap16(s.b[i] + gain - (s.b[i] >> 8));
    }
  }

  static void PushHistory(G726State& s, int16_t dq, int16_t sr) {
    for (size_t i = 5; i > 0; --i) s.dq[i] = s.dq[i - 1];
    s.dq[0] = dq;
    s.sr[1] = s.sr[0];
    s.sr[0] = sr;
  }
};

}  // namespace

void ResetG726(G726State& state) {
  state = G726State{};
  state.yl = 34816;
  state.yu = 544;
  for (int16_t& value : state.dq) value = 32;
  for (int16_t& value : state.sr) value = 32;
}

int G726BitsPerCode(size_t data_size, size_t samples) {
  for (int bits = 2; bits <= 5; ++bits) {
    if (data_size * 8 == samples * static_cast<size_t>(bits)) return bits;
  }
  return 0;
}

void DecodeG726Plain(G726State& state, int bits, const uint8_t* data, size_t samples,
                     int16_t* output) {
  DecodeCodes<PlainSteps>(state, bits, data, samples, output);
}

void DecodeG726(G726State& state, int bits, const uint8_t* data, size_t samples,
                int16_t* output) {
  if (!DecodeG726Avx2(state, bits, data, samples, output))
    DecodeG726Plain(state, bits, data, samples, output);
}

}  // namespace voice
