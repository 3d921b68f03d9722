// The conversion kernels with AVX2: 32 pixels a step, 16 in each 128-bit
// lane.
#include "brisca/present/color_simd.h"

#if BRISCA_COLOR_X86

#include <immintrin.h>

#include <cstdint>

#define BRISCA_SIMD_TARGET __attribute__((target("avx2")))
#include "brisca/present/color_simd_kernels.h"

namespace brisca::color_simd {
namespace {

struct Mask32 {
  alignas(32) std::int8_t bytes[32];
};

// The 96 output bytes of 32 pixels are three registers whose lanes hold
// output bytes 0-15, 16-31, ..., 80-95. pshufb cannot cross lanes, so first
// each channel register trades the bytes at these lane positions with the
// other lane; afterwards every output lane finds its bytes of that channel
// in the same lane of the channel register, at the same position.
constexpr int kTradeFirst[3] = {6, 5, 5};  // blue, green, red
constexpr int kTradeLast[3] = {10, 10, 9};

constexpr bool Traded(int channel, int position) {
  return position >= kTradeFirst[channel] && position <= kTradeLast[channel];
}

constexpr bool TradesFit() {
  for (int p = 0; p < 96; ++p) {
    const int pixel = p / 3;
    const int lane = (pixel / 16) ^ (Traded(p % 3, pixel % 16) ? 1 : 0);
    if (lane != (p / 16) % 2) return false;
  }
  return true;
}
static_assert(TradesFit(), "each output lane must find its bytes in its own lane");

struct BgrMasks {
  Mask32 trade[3];       // [channel]: blend control, -128 where traded
  Mask32 shuffle[3][3];  // [output register][channel]
};

constexpr BgrMasks MakeBgrMasks() {
  BgrMasks m{};
  for (int channel = 0; channel < 3; ++channel) {
    for (int j = 0; j < 32; ++j) m.trade[channel].bytes[j] = Traded(channel, j % 16) ? -128 : 0;
  }
  for (int reg = 0; reg < 3; ++reg) {
    for (int channel = 0; channel < 3; ++channel) {
      for (int j = 0; j < 32; ++j) {
        const int p = 32 * reg + j;
        m.shuffle[reg][channel].bytes[j] = static_cast<std::int8_t>(p % 3 == channel ? (p / 3) % 16 : -128);
      }
    }
  }
  return m;
}

constexpr BgrMasks kBgrMasks = MakeBgrMasks();

struct Avx2 {
  using V = __m256i;
  static constexpr int kPixels = 32;

  BRISCA_SIMD_TARGET static V Zero() { return _mm256_setzero_si256(); }
  BRISCA_SIMD_TARGET static V Set8(int value) { return _mm256_set1_epi8(static_cast<char>(value)); }
  BRISCA_SIMD_TARGET static V Set16(int value) { return _mm256_set1_epi16(static_cast<short>(value)); }
  BRISCA_SIMD_TARGET static V Set32(int value) { return _mm256_set1_epi32(value); }
  BRISCA_SIMD_TARGET static V Add16(V a, V b) { return _mm256_add_epi16(a, b); }
  BRISCA_SIMD_TARGET static V Sub16(V a, V b) { return _mm256_sub_epi16(a, b); }
  BRISCA_SIMD_TARGET static V MulHi16(V a, V b) { return _mm256_mulhi_epi16(a, b); }
  BRISCA_SIMD_TARGET static V MulHiU16(V a, V b) { return _mm256_mulhi_epu16(a, b); }
  BRISCA_SIMD_TARGET static V MulLo16(V a, V b) { return _mm256_mullo_epi16(a, b); }
  BRISCA_SIMD_TARGET static V AvgU16(V a, V b) { return _mm256_avg_epu16(a, b); }
  BRISCA_SIMD_TARGET static V CmpGt16(V a, V b) { return _mm256_cmpgt_epi16(a, b); }
  BRISCA_SIMD_TARGET static V Abs16(V a) { return _mm256_abs_epi16(a); }
  BRISCA_SIMD_TARGET static V Sign16(V a, V b) { return _mm256_sign_epi16(a, b); }
  BRISCA_SIMD_TARGET static V Abs32(V a) { return _mm256_abs_epi32(a); }
  BRISCA_SIMD_TARGET static V Sign32(V a, V b) { return _mm256_sign_epi32(a, b); }
  BRISCA_SIMD_TARGET static V Madd16(V a, V b) { return _mm256_madd_epi16(a, b); }
  BRISCA_SIMD_TARGET static V MulU32(V a, V b) { return _mm256_mul_epu32(a, b); }
  BRISCA_SIMD_TARGET static V And(V a, V b) { return _mm256_and_si256(a, b); }
  BRISCA_SIMD_TARGET static V Or(V a, V b) { return _mm256_or_si256(a, b); }
  BRISCA_SIMD_TARGET static V Sll16(V a, int bits) { return _mm256_slli_epi16(a, bits); }
  BRISCA_SIMD_TARGET static V Srl16(V a, int bits) { return _mm256_srli_epi16(a, bits); }
  BRISCA_SIMD_TARGET static V Sll64(V a, int bits) { return _mm256_slli_epi64(a, bits); }
  BRISCA_SIMD_TARGET static V Srl64(V a, int bits) { return _mm256_srli_epi64(a, bits); }
  BRISCA_SIMD_TARGET static V UnpackLo8(V a, V b) { return _mm256_unpacklo_epi8(a, b); }
  BRISCA_SIMD_TARGET static V UnpackHi8(V a, V b) { return _mm256_unpackhi_epi8(a, b); }
  BRISCA_SIMD_TARGET static V UnpackLo16(V a, V b) { return _mm256_unpacklo_epi16(a, b); }
  BRISCA_SIMD_TARGET static V UnpackHi16(V a, V b) { return _mm256_unpackhi_epi16(a, b); }
  BRISCA_SIMD_TARGET static V PackUs16(V a, V b) { return _mm256_packus_epi16(a, b); }
  BRISCA_SIMD_TARGET static V PackS32(V a, V b) { return _mm256_packs_epi32(a, b); }

  BRISCA_SIMD_TARGET static V Load(const void* p) {
    return _mm256_loadu_si256(static_cast<const __m256i*>(p));
  }
  BRISCA_SIMD_TARGET static void Store(std::uint8_t* p, V value) {
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), value);
  }
  BRISCA_SIMD_TARGET static V LoadLuma(const std::uint8_t* p) { return Load(p); }
  BRISCA_SIMD_TARGET static V LoadChroma(const std::uint8_t* p) {
    return _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)));
  }

  BRISCA_SIMD_TARGET static V Trade(V channel, const Mask32& control) {
    return _mm256_blendv_epi8(channel, _mm256_permute2x128_si256(channel, channel, 1), Load(control.bytes));
  }

  BRISCA_SIMD_TARGET static void StoreBgr24(V b, V g, V r, std::uint8_t* out) {
    b = Trade(b, kBgrMasks.trade[0]);
    g = Trade(g, kBgrMasks.trade[1]);
    r = Trade(r, kBgrMasks.trade[2]);
    for (int reg = 0; reg < 3; ++reg) {
      const Mask32* mask = kBgrMasks.shuffle[reg];
      Store(out + 32 * reg,
            Or(Or(_mm256_shuffle_epi8(b, Load(mask[0].bytes)), _mm256_shuffle_epi8(g, Load(mask[1].bytes))),
               _mm256_shuffle_epi8(r, Load(mask[2].bytes))));
    }
  }

  BRISCA_SIMD_TARGET static void StoreRgb565(V low, V high, std::uint8_t* out) {
    // Unpacking works per lane: pixels 0-7 and 16-23, then 8-15 and 24-31.
    const V a = _mm256_unpacklo_epi8(low, high);
    const V b = _mm256_unpackhi_epi8(low, high);
    Store(out, _mm256_permute2x128_si256(a, b, 0x20));
    Store(out + 32, _mm256_permute2x128_si256(a, b, 0x31));
  }
};

}  // namespace

int Bgr24RowsAvx2(const RowPair& rows) { return Bgr24Rows<Avx2>(rows); }
int Rgb565RowsAvx2(const RowPair& rows) { return Rgb565Rows<Avx2>(rows); }

}  // namespace brisca::color_simd

#endif  // BRISCA_COLOR_X86
