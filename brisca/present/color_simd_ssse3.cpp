// The conversion kernels with SSSE3: 16 pixels a step.
#include "brisca/present/color_simd.h"

#if BRISCA_COLOR_X86

#include <immintrin.h>

#include <cstdint>

#define BRISCA_SIMD_TARGET __attribute__((target("ssse3")))
#include "brisca/present/color_simd_kernels.h"

namespace brisca::color_simd {
namespace {

struct Mask16 {
  alignas(16) std::int8_t bytes[16];
};

// pshufb controls that gather the blue, green and red bytes of 16 pixels
// into the three 16-byte thirds of their 48 output bytes.
struct BgrShuffles {
  Mask16 mask[3][3];  // [third][channel]
};

constexpr BgrShuffles MakeBgrShuffles() {
  BgrShuffles s{};
  for (int third = 0; third < 3; ++third) {
    for (int channel = 0; channel < 3; ++channel) {
      for (int j = 0; j < 16; ++j) {
        const int p = 16 * third + j;
        s.mask[third][channel].bytes[j] = static_cast<std::int8_t>(p % 3 == channel ? p / 3 : -128);
      }
    }
  }
  return s;
}

constexpr BgrShuffles kBgrShuffles = MakeBgrShuffles();

struct Ssse3 {
  using V = __m128i;
  static constexpr int kPixels = 16;

  BRISCA_SIMD_TARGET static V Zero() { return _mm_setzero_si128(); }
  BRISCA_SIMD_TARGET static V Set8(int value) { return _mm_set1_epi8(static_cast<char>(value)); }
  BRISCA_SIMD_TARGET static V Set16(int value) { return _mm_set1_epi16(static_cast<short>(value)); }
  BRISCA_SIMD_TARGET static V Set32(int value) { return _mm_set1_epi32(value); }
  BRISCA_SIMD_TARGET static V Add16(V a, V b) { return _mm_add_epi16(a, b); }
  BRISCA_SIMD_TARGET static V Sub16(V a, V b) { return _mm_sub_epi16(a, b); }
  BRISCA_SIMD_TARGET static V MulHi16(V a, V b) { return _mm_mulhi_epi16(a, b); }
  BRISCA_SIMD_TARGET static V MulHiU16(V a, V b) { return _mm_mulhi_epu16(a, b); }
  BRISCA_SIMD_TARGET static V MulLo16(V a, V b) { return _mm_mullo_epi16(a, b); }
  BRISCA_SIMD_TARGET static V AvgU16(V a, V b) { return _mm_avg_epu16(a, b); }
  BRISCA_SIMD_TARGET static V CmpGt16(V a, V b) { return _mm_cmpgt_epi16(a, b); }
  BRISCA_SIMD_TARGET static V Abs16(V a) { return _mm_abs_epi16(a); }
  BRISCA_SIMD_TARGET static V Sign16(V a, V b) { return _mm_sign_epi16(a, b); }
  BRISCA_SIMD_TARGET static V Abs32(V a) { return _mm_abs_epi32(a); }
  BRISCA_SIMD_TARGET static V Sign32(V a, V b) { return _mm_sign_epi32(a, b); }
  BRISCA_SIMD_TARGET static V Madd16(V a, V b) { return _mm_madd_epi16(a, b); }
  BRISCA_SIMD_TARGET static V MulU32(V a, V b) { return _mm_mul_epu32(a, b); }
  BRISCA_SIMD_TARGET static V And(V a, V b) { return _mm_and_si128(a, b); }
  BRISCA_SIMD_TARGET static V Or(V a, V b) { return _mm_or_si128(a, b); }
  BRISCA_SIMD_TARGET static V Sll16(V a, int bits) { return _mm_slli_epi16(a, bits); }
  BRISCA_SIMD_TARGET static V Srl16(V a, int bits) { return _mm_srli_epi16(a, bits); }
  BRISCA_SIMD_TARGET static V Sll64(V a, int bits) { return _mm_slli_epi64(a, bits); }
  BRISCA_SIMD_TARGET static V Srl64(V a, int bits) { return _mm_srli_epi64(a, bits); }
  BRISCA_SIMD_TARGET static V UnpackLo8(V a, V b) { return _mm_unpacklo_epi8(a, b); }
  BRISCA_SIMD_TARGET static V UnpackHi8(V a, V b) { return _mm_unpackhi_epi8(a, b); }
  BRISCA_SIMD_TARGET static V UnpackLo16(V a, V b) { return _mm_unpacklo_epi16(a, b); }
  BRISCA_SIMD_TARGET static V UnpackHi16(V a, V b) { return _mm_unpackhi_epi16(a, b); }
  BRISCA_SIMD_TARGET static V PackUs16(V a, V b) { return _mm_packus_epi16(a, b); }
  BRISCA_SIMD_TARGET static V PackS32(V a, V b) { return _mm_packs_epi32(a, b); }

  BRISCA_SIMD_TARGET static V Load(const void* p) { return _mm_loadu_si128(static_cast<const __m128i*>(p)); }
  BRISCA_SIMD_TARGET static V LoadLuma(const std::uint8_t* p) { return Load(p); }
  BRISCA_SIMD_TARGET static V LoadChroma(const std::uint8_t* p) {
    return _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)), Zero());
  }

  BRISCA_SIMD_TARGET static void StoreBgr24(V b, V g, V r, std::uint8_t* out) {
    for (int third = 0; third < 3; ++third) {
      const Mask16* mask = kBgrShuffles.mask[third];
      const V bytes =
          Or(Or(_mm_shuffle_epi8(b, Load(mask[0].bytes)), _mm_shuffle_epi8(g, Load(mask[1].bytes))),
             _mm_shuffle_epi8(r, Load(mask[2].bytes)));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 16 * third), bytes);
    }
  }

  BRISCA_SIMD_TARGET static void StoreRgb565(V low, V high, std::uint8_t* out) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_unpacklo_epi8(low, high));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 16), _mm_unpackhi_epi8(low, high));
  }
};

}  // namespace

int Bgr24RowsSsse3(const RowPair& rows) { return Bgr24Rows<Ssse3>(rows); }
int Rgb565RowsSsse3(const RowPair& rows) { return Rgb565Rows<Ssse3>(rows); }

}  // namespace brisca::color_simd

#endif  // BRISCA_COLOR_X86
