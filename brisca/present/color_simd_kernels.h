// The 4:2:0 conversion kernels, written once over an instruction set. Each
// source that includes this defines BRISCA_SIMD_TARGET (its target
// attribute) and an Isa traits type first; everything here is local to that
// source, so the two instruction sets never share a compiled function.
//
// Isa has the integer vector type V and kPixels, the pixels one step
// converts, and wraps the SSE2/SSSE3 operations of the same names on V
// (Zero, Set8, Set16, Set32, Add16, Sub16, MulHi16, MulHiU16, MulLo16,
// AvgU16, CmpGt16, Abs16, Sign16, Abs32, Sign32, Madd16, MulU32 (pmuludq),
// And, Or, Sll16, Srl16, Sll64, Srl64, UnpackLo8/Hi8/Lo16/Hi16, PackUs16,
// PackS32). For 256-bit vectors they work within each 128-bit lane, and
// every lane holds 16 pixels and their 8 chroma samples, so the arithmetic
// below is the same for both. Also:
//   LoadLuma(p)            kPixels luma bytes
//   LoadChroma(p)          kPixels / 2 chroma bytes widened to 16 bits,
//                          8 per lane in order
//   StoreBgr24(b, g, r, out), StoreRgb565(low, high, out)
//                          interleave kPixels pixels given as bytes in order
#pragma once

#ifndef BRISCA_SIMD_TARGET
#error "define BRISCA_SIMD_TARGET before including the kernels"
#endif

#include <cstdint>

#include "brisca/present/color_simd.h"

namespace brisca::color_simd {
namespace {

// A chroma term t of the 13-bit fixed point split at bit 13: whole =
// t >> 13 and limit = 8191 - (t & 8191). With the luma term split the same
// way, (luma + t) >> 13 = luma.whole + whole + (luma.fraction > limit), so
// the sums are exact in 16-bit lanes without ever forming them in 32 bits.
template <class Isa>
struct Term {
  typename Isa::V whole;
  typename Isa::V limit;
};

template <class Isa>
struct BgrTerms {
  Term<Isa> blue, green, red;
};

// 9535 (Y - 16) split at bit 13: whole and fraction (0..8191).
template <class Isa>
struct Luma {
  typename Isa::V whole;
  typename Isa::V fraction;
};

// The 5-6-5 chroma offsets.
template <class Isa>
struct Offsets565 {
  typename Isa::V red, green, blue;
};

// The products take a sample scaled by 8, which still fits 16 bits: the
// high half of the 32-bit product is then (k * sample) >> 13 and the low
// half 8 * ((k * sample) & 8191).
template <class Isa>
BRISCA_SIMD_TARGET inline Luma<Isa> SplitLuma(typename Isa::V luma) {
  using I = Isa;
  const auto scaled = I::Sub16(I::Sll16(luma, 3), I::Set16(8 * 16));
  const auto factor = I::Set16(kLumaFactor);
  return {I::MulHi16(scaled, factor), I::Srl16(I::MulLo16(scaled, factor), 3)};
}

template <class Isa>
BRISCA_SIMD_TARGET inline Term<Isa> SplitProduct(typename Isa::V scaled, int factor) {
  using I = Isa;
  const auto k = I::Set16(factor);
  return {I::MulHi16(scaled, k), I::Sub16(I::Set16(8191), I::Srl16(I::MulLo16(scaled, k), 3))};
}

// factor_a * a + factor_b * b.
template <class Isa>
BRISCA_SIMD_TARGET inline Term<Isa> SplitSum(typename Isa::V scaled_a, int factor_a, typename Isa::V scaled_b,
                                             int factor_b) {
  using I = Isa;
  const auto ka = I::Set16(factor_a);
  const auto kb = I::Set16(factor_b);
  const auto low_a = I::MulLo16(scaled_a, ka);
  const auto low_b = I::MulLo16(scaled_b, kb);
  // Both low halves are multiples of 8, so the rounding average keeps bit 16
  // of their sum, the carry into the whole part, as bit 15.
  const auto carry = I::Srl16(I::AvgU16(low_a, low_b), 15);
  return {I::Add16(I::Add16(I::MulHi16(scaled_a, ka), I::MulHi16(scaled_b, kb)), carry),
          I::Sub16(I::Set16(8191), I::Srl16(I::Add16(low_a, low_b), 3))};
}

// Each chroma sample repeated for its two pixels: the first or second half
// of every lane's samples.
template <class Isa, bool kSecond>
BRISCA_SIMD_TARGET inline typename Isa::V Repeat(typename Isa::V samples) {
  return kSecond ? Isa::UnpackHi16(samples, samples) : Isa::UnpackLo16(samples, samples);
}

template <class Isa, bool kSecond>
BRISCA_SIMD_TARGET inline BgrTerms<Isa> RepeatTerms(const BgrTerms<Isa>& t) {
  return {{Repeat<Isa, kSecond>(t.blue.whole), Repeat<Isa, kSecond>(t.blue.limit)},
          {Repeat<Isa, kSecond>(t.green.whole), Repeat<Isa, kSecond>(t.green.limit)},
          {Repeat<Isa, kSecond>(t.red.whole), Repeat<Isa, kSecond>(t.red.limit)}};
}

template <class Isa>
BRISCA_SIMD_TARGET inline typename Isa::V Channel(const Luma<Isa>& luma, const Term<Isa>& term) {
  // The comparison is -1 where the fractions carry.
  return Isa::Sub16(Isa::Add16(luma.whole, term.whole), Isa::CmpGt16(luma.fraction, term.limit));
}

template <class Isa>
BRISCA_SIMD_TARGET inline void Bgr24Step(const std::uint8_t* y, const BgrTerms<Isa>& first,
                                         const BgrTerms<Isa>& second, std::uint8_t* out) {
  using I = Isa;
  const auto bytes = I::LoadLuma(y);
  const auto a = SplitLuma<I>(I::UnpackLo8(bytes, I::Zero()));
  const auto b = SplitLuma<I>(I::UnpackHi8(bytes, I::Zero()));
  // packus clamps to 0..255 as the reference does after its shift.
  I::StoreBgr24(I::PackUs16(Channel<I>(a, first.blue), Channel<I>(b, second.blue)),
                I::PackUs16(Channel<I>(a, first.green), Channel<I>(b, second.green)),
                I::PackUs16(Channel<I>(a, first.red), Channel<I>(b, second.red)), out);
}

// The rows come by value: stores through the output pointers cannot then
// alias them, so they stay in registers.
template <class Isa>
BRISCA_SIMD_TARGET int Bgr24Rows(RowPair rows) {
  using I = Isa;
  int x = 0;
  for (; x + I::kPixels <= rows.width; x += I::kPixels) {
    const auto bias = I::Set16(128);
    const auto u = I::Sll16(I::Sub16(I::LoadChroma(rows.u + x / 2), bias), 3);
    const auto v = I::Sll16(I::Sub16(I::LoadChroma(rows.v + x / 2), bias), 3);
    const BgrTerms<I> terms{SplitProduct<I>(u, kBlueFromU), SplitSum<I>(v, kGreenFromV, u, kGreenFromU),
                            SplitProduct<I>(v, kRedFromV)};
    const auto first = RepeatTerms<I, false>(terms);
    const auto second = RepeatTerms<I, true>(terms);
    for (int r = 0; r < rows.count; ++r) Bgr24Step<I>(rows.y[r] + x, first, second, rows.out[r] + 3 * x);
  }
  return x;
}

// trunc((1 + fraction / 65536) s) for 16-bit samples s.
template <class Isa>
BRISCA_SIMD_TARGET inline typename Isa::V ScaleToZero(typename Isa::V s, int fraction) {
  const auto a = Isa::Abs16(s);
  return Isa::Sign16(Isa::Add16(a, Isa::MulHiU16(a, Isa::Set16(fraction))), s);
}

// The 32-bit pattern of two adjacent 16-bit lanes.
constexpr int PairOf16(int first, int second) {
  return static_cast<int>(static_cast<std::uint32_t>(static_cast<std::uint16_t>(first)) |
                          static_cast<std::uint32_t>(static_cast<std::uint16_t>(second)) << 16);
}

// The green sum factored so that its terms fit 16 bits: 13 v and 2 u.
constexpr int kGreenVPart = kGreenV565 / 13;
constexpr int kGreenUPart = kGreenU565 / 2;
static_assert(kGreenVPart * 13 == kGreenV565 && kGreenUPart * 2 == kGreenU565);

// floor(n / kGreenDivisor565) = (n M) >> 49 for 0 <= n < 2^25 with
// M = ceil(2^49 / divisor): rounding M up adds less than n / 2^49 < 2^-24 to
// the quotient, and a quotient's fraction stays at least 1 / divisor below
// the next integer.
constexpr std::uint64_t kGreenReciprocal =
    ((std::uint64_t{1} << 49) + kGreenDivisor565 - 1) / kGreenDivisor565;
static_assert(kGreenReciprocal < (std::uint64_t{1} << 32));

// trunc(n / kGreenDivisor565) for the 32-bit lanes n.
template <class Isa>
BRISCA_SIMD_TARGET inline typename Isa::V DivideGreen(typename Isa::V n) {
  using I = Isa;
  const auto reciprocal = I::Set32(static_cast<int>(kGreenReciprocal));
  const auto a = I::Abs32(n);
  // pmuludq multiplies the even lanes; the odd ones are moved down first.
  const auto even = I::Srl64(I::MulU32(a, reciprocal), 49);
  const auto odd = I::Srl64(I::MulU32(I::Srl64(a, 32), reciprocal), 49);
  return I::Sign32(I::Or(even, I::Sll64(odd, 32)), n);
}

template <class Isa>
BRISCA_SIMD_TARGET inline Offsets565<Isa> Rgb565Offsets(const std::uint8_t* u_bytes,
                                                        const std::uint8_t* v_bytes) {
  using I = Isa;
  const auto bias = I::Set16(128);
  const auto u = I::Sub16(I::LoadChroma(u_bytes), bias);
  const auto v = I::Sub16(I::LoadChroma(v_bytes), bias);
  // Pairs (13 v, 2 u) multiplied and added give the negated green sum.
  const auto v13 = I::MulLo16(v, I::Set16(13));
  const auto u2 = I::Add16(u, u);
  const auto factors = I::Set32(PairOf16(-kGreenVPart, -kGreenUPart));
  const auto green = I::PackS32(DivideGreen<I>(I::Madd16(I::UnpackLo16(v13, u2), factors)),
                                DivideGreen<I>(I::Madd16(I::UnpackHi16(v13, u2), factors)));
  return {ScaleToZero<I>(v, kRedFraction565), green, ScaleToZero<I>(u, kBlueFraction565)};
}

template <class Isa>
BRISCA_SIMD_TARGET inline void Rgb565Step(const std::uint8_t* y, const Offsets565<Isa>& first,
                                          const Offsets565<Isa>& second, std::uint8_t* out) {
  using I = Isa;
  const auto bytes = I::LoadLuma(y);
  const auto a = I::UnpackLo8(bytes, I::Zero());
  const auto b = I::UnpackHi8(bytes, I::Zero());
  // packus clamps luma plus offset to 0..255 as the table look-up does.
  const auto red = I::PackUs16(I::Add16(a, first.red), I::Add16(b, second.red));
  const auto green = I::PackUs16(I::Add16(a, first.green), I::Add16(b, second.green));
  const auto blue = I::PackUs16(I::Add16(a, first.blue), I::Add16(b, second.blue));
  // Bytes of the little-endian pixel: rrrrrggg gggbbbbb. The 16-bit shifts
  // pull bits across bytes; the masks drop them.
  const auto high = I::Or(I::And(red, I::Set8(0xF8)), I::And(I::Srl16(green, 5), I::Set8(0x07)));
  const auto low = I::Or(I::And(I::Sll16(green, 3), I::Set8(0xE0)), I::And(I::Srl16(blue, 3), I::Set8(0x1F)));
  I::StoreRgb565(low, high, out);
}

template <class Isa>
BRISCA_SIMD_TARGET int Rgb565Rows(RowPair rows) {
  using I = Isa;
  int x = 0;
  for (; x + I::kPixels <= rows.width; x += I::kPixels) {
    const Offsets565<I> o = Rgb565Offsets<I>(rows.u + x / 2, rows.v + x / 2);
    const Offsets565<I> first{Repeat<I, false>(o.red), Repeat<I, false>(o.green), Repeat<I, false>(o.blue)};
    const Offsets565<I> second{Repeat<I, true>(o.red), Repeat<I, true>(o.green), Repeat<I, true>(o.blue)};
    for (int r = 0; r < rows.count; ++r) Rgb565Step<I>(rows.y[r] + x, first, second, rows.out[r] + 2 * x);
  }
  return x;
}

}  // namespace
}  // namespace brisca::color_simd
