// The G.726 decoder with the predictor's eight products computed side by
// side in AVX2, and its coefficients and history updated as word groups.
// Results are identical to the plain build for every state the decoder can
// reach: the history values it stores have exponents of at most 16 and the
// coefficients magnitudes below 2^13, so a product's exponent never exceeds
// 30 and one variable shift stands for the plain build's two directions.
#include "platform/lib_VoiceEngine_dll/g726_decoder.h"

#if defined(__x86_64__) || defined(__i386__)

#include <immintrin.h>

#include <cstddef>

#define G726_STEP __attribute__((target("avx2")))
#include "platform/lib_VoiceEngine_dll/g726_steps.h"

namespace voice {
namespace {

// Coefficients and the history values they multiply, as 8 words each:
// A1 A2 B1..B6 and DQ1..DQ6 SR1 SR2.
static_assert(offsetof(G726State, b) == offsetof(G726State, a) + 2 * sizeof(int16_t));
static_assert(offsetof(G726State, sr) == offsetof(G726State, dq) + 6 * sizeof(int16_t));

G726_STEP __m128i LoadWords(const G726State& s, size_t offset) {
  return _mm_loadu_si128(
      reinterpret_cast<const __m128i*>(reinterpret_cast<const char*>(&s) + offset));
}

G726_STEP void StoreWords(G726State& s, size_t offset, __m128i words) {
  _mm_storeu_si128(reinterpret_cast<__m128i*>(reinterpret_cast<char*>(&s) + offset), words);
}

struct Avx2Steps {
  G726_STEP static Estimate Predict(const G726State& s) {
    // Rotated to B1..B6 A1 A2, in the order of the history values.
    const __m128i coefficient_words = LoadWords(s, offsetof(G726State, a));
    const __m256i coefficient =
        _mm256_cvtepi16_epi32(_mm_alignr_epi8(coefficient_words, coefficient_words, 4));
    const __m256i value = _mm256_cvtepi16_epi32(LoadWords(s, offsetof(G726State, dq)));

    const __m256i magnitude = _mm256_abs_epi32(_mm256_srai_epi32(coefficient, 2));
    const __m256i zero = _mm256_cmpeq_epi32(magnitude, _mm256_setzero_si256());
    // Bit width from the exponent of the exactly converted magnitude.
    const __m256i exponent = _mm256_andnot_si256(
        zero, _mm256_sub_epi32(
                  _mm256_srli_epi32(_mm256_castps_si256(_mm256_cvtepi32_ps(magnitude)), 23),
                  _mm256_set1_epi32(126)));
    const __m256i mantissa =
        _mm256_or_si256(_mm256_srlv_epi32(_mm256_slli_epi32(magnitude, 6), exponent),
                        _mm256_and_si256(zero, _mm256_set1_epi32(32)));

    const __m256i product_exponent = _mm256_add_epi32(
        _mm256_and_si256(_mm256_srli_epi32(value, 6), _mm256_set1_epi32(31)), exponent);
    const __m256i product_mantissa = _mm256_srli_epi32(
        _mm256_add_epi32(
            _mm256_mullo_epi32(_mm256_and_si256(value, _mm256_set1_epi32(63)), mantissa),
            _mm256_set1_epi32(48)),
        4);
    // product_mantissa * 2^(exponent - 19): the low 11 bits shifted in are
    // zeros, so a right shift by 30 - exponent is exact in both directions.
    __m256i product =
        _mm256_srlv_epi32(_mm256_slli_epi32(product_mantissa, 11),
                          _mm256_sub_epi32(_mm256_set1_epi32(30), product_exponent));
    const __m256i negative = _mm256_sub_epi32(
        _mm256_setzero_si256(),
        _mm256_and_si256(
            _mm256_xor_si256(_mm256_srli_epi32(value, 11), _mm256_srli_epi32(coefficient, 31)),
            _mm256_set1_epi32(1)));
    product = _mm256_sub_epi32(_mm256_xor_si256(product, negative), negative);
    product = _mm256_srai_epi32(_mm256_slli_epi32(product, 16), 16);  // wraps as a word

    alignas(32) int products[8];
    _mm256_store_si256(reinterpret_cast<__m256i*>(products), product);
    const int zeros =
        products[0] + products[1] + products[2] + products[3] + products[4] + products[5];
    const int all = zeros + products[6] + products[7];
    return {all >> 1, zeros >> 1};
  }

  // The coefficients and the history are each read and written as one
  // 16-byte word group, so that every load is served by the previous
  // sample's store.
  G726_STEP static void UpdateCoefficients(G726State& s, int a1, int a2, int dq,
                                           bool dq_negative) {
    const __m128i coefficient = LoadWords(s, offsetof(G726State, a));  // A1 A2 B1..B6
    __m128i gain = _mm_setzero_si128();
    if (dq != 0) {
      // DQ1..DQ6 moved to the words of B1..B6; only their sign bits count.
      const __m128i history = _mm_slli_si128(LoadWords(s, offsetof(G726State, dq)), 4);
      const __m128i history_negative = _mm_srai_epi16(_mm_slli_epi16(history, 4), 15);
      const __m128i differ =
          _mm_xor_si128(history_negative, _mm_set1_epi16(dq_negative ? -1 : 0));
      // +128, or -128 where the signs differ.
      gain = _mm_xor_si128(_mm_set1_epi16(128),
                           _mm_and_si128(differ, _mm_set1_epi16(static_cast<short>(0xff00))));
    }
    __m128i updated =
        _mm_add_epi16(coefficient, _mm_sub_epi16(gain, _mm_srai_epi16(coefficient, 8)));
    updated = _mm_insert_epi16(updated, a1, 0);
    updated = _mm_insert_epi16(updated, a2, 1);
    StoreWords(s, offsetof(G726State, a), updated);
  }

  G726_STEP static void PushHistory(G726State& s, int16_t dq, int16_t sr) {
    // DQ1..DQ6 SR1 SR2 becomes dq DQ1..DQ5 sr SR1.
    __m128i history = _mm_slli_si128(LoadWords(s, offsetof(G726State, dq)), 2);
    history = _mm_insert_epi16(history, dq, 0);
    history = _mm_insert_epi16(history, sr, 6);
    StoreWords(s, offsetof(G726State, dq), history);
  }
};

bool HasAvx2() {
  static const bool has = __builtin_cpu_supports("avx2");
  return has;
}

G726_STEP void DecodeWithAvx2(G726State& state, int bits, const uint8_t* data, size_t samples,
                              int16_t* output) {
  DecodeCodes<Avx2Steps>(state, bits, data, samples, output);
}

}  // namespace

bool DecodeG726Avx2(G726State& state, int bits, const uint8_t* data, size_t samples,
                    int16_t* output) {
  if (!HasAvx2()) return false;
  DecodeWithAvx2(state, bits, data, samples, output);
  return true;
}

}  // namespace voice

#else

namespace voice {

bool DecodeG726Avx2(G726State&, int, const uint8_t*, size_t, int16_t*) { return false; }

}  // namespace voice

#endif
