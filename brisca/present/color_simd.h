// Internal to the picture conversions: their factors, shared by the tables
// and the vector kernels, and the kernels' entry points.
#pragma once

#include <cstdint>

#if defined(__x86_64__) || defined(__i386__)
#define BRISCA_COLOR_X86 1
#else
#define BRISCA_COLOR_X86 0
#endif

namespace brisca::color_simd {

// BT.601 studio range with 13 fraction bits (see Bgr24Tables).
inline constexpr int kLumaFactor = 9535;
inline constexpr int kBlueFromU = 16531;
inline constexpr int kGreenFromV = -6660;
inline constexpr int kGreenFromU = -3203;
inline constexpr int kRedFromV = 13074;

// 5-6-5 chroma offsets as the tables hold them: trunc(kRedFromV565 v),
// trunc(kGreenFromV565 v - kGreenFromU565 u), trunc(kBlueFromU565 u) in
// double.
inline constexpr double kRedFromV565 = 1.4013377926421404;
inline constexpr double kGreenFromV565 = -0.7136038186157518;
inline constexpr double kGreenFromU565 = 0.34441087613293053;
inline constexpr double kBlueFromU565 = 1.7734138972809665;

// The kernels compute the same offsets in integers:
//   red = sign(v) (|v| + ((|v| kRedFraction565) >> 16)), blue likewise of u,
//   green = -trunc((kGreenV565 v + kGreenU565 u) / kGreenDivisor565).
// Rounding the fractions up moves no product of a sample (|v| <= 128) past
// the next integer, and the green factors are 299/419 and 114/331 to double
// precision with no sum of samples that close to an integer; the tests hold
// every sample and every pair to the tables.
inline constexpr int kRedFraction565 = static_cast<int>((kRedFromV565 - 1) * 65536) + 1;
inline constexpr int kBlueFraction565 = static_cast<int>((kBlueFromU565 - 1) * 65536) + 1;
inline constexpr int kGreenV565 = 299 * 331;
inline constexpr int kGreenU565 = 114 * 419;
inline constexpr int kGreenDivisor565 = 419 * 331;
static_assert(kGreenFromV565 == -299.0 / 419 && kGreenFromU565 == 114.0 / 331);

// One or two luma rows sharing a chroma row, and where they go.
struct RowPair {
  const std::uint8_t* y[2];
  std::uint8_t* out[2];
  const std::uint8_t* u;
  const std::uint8_t* v;
  int count;  // luma rows: 2, or 1 for the last row of an odd height
  int width;  // pixels
};

#if BRISCA_COLOR_X86
// Each converts the leading whole vector steps of the rows (16 pixels for
// SSSE3, 32 for AVX2) and returns how many pixels that was; the caller
// finishes the rest. Only call them when the processor has the instructions.
int Bgr24RowsSsse3(const RowPair& rows);
int Bgr24RowsAvx2(const RowPair& rows);
int Rgb565RowsSsse3(const RowPair& rows);
int Rgb565RowsAvx2(const RowPair& rows);
#endif

}  // namespace brisca::color_simd
