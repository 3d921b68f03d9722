// The per-sample steps of the G.726 decoder, shared by its plain and vector
// builds. The steps on the predictor's eight coefficients and history values
// come from the `Vector` policy of each build: the products (Predict), the
// coefficients' update (UpdateCoefficients: A1, A2 as given, B1..B6 by the
// sign agreement of the new difference with their history values) and the
// history's shift (PushHistory).
//
// Internal to the decoder's own sources: each includes this once, with
// G726_STEP defined to the instruction set it is compiled for. The names
// have internal linkage so that a build for a wider instruction set never
// stands in for the plain one at link time.
#pragma once

#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <iterator>

#include "platform/lib_VoiceEngine_dll/g726_decoder.h"

#ifndef G726_STEP
#error "define G726_STEP before including g726_steps.h"
#endif

namespace voice {
namespace {

// Per rate, indexed by the code's magnitude |I|: log2 of the quantized
// difference relative to the scale factor (2^-7 units, -2048 for "no
// difference"), the scale factor multiplier W (2^-4 units) and the speed
// control function F.
struct RateTables {
  std::array<int16_t, 16> dqln;
  std::array<int16_t, 16> w;
  std::array<int8_t, 16> f;
};

constexpr RateTables kRate16 = {{116, 365}, {-22, 439}, {0, 7}};
constexpr RateTables kRate24 = {{-2048, 135, 273, 373}, {-4, 30, 137, 582}, {0, 1, 2, 7}};
constexpr RateTables kRate32 = {{-2048, 4, 135, 213, 273, 323, 373, 425},
                                {-12, 18, 41, 64, 112, 198, 355, 1122},
                                {0, 0, 0, 1, 1, 1, 3, 7}};
constexpr RateTables kRate40 = {
    {-2048, -66, 28, 104, 169, 224, 274, 318, 358, 395, 429, 459, 488, 514, 539, 566},
    {14, 14, 24, 39, 40, 41, 58, 100, 141, 179, 219, 280, 358, 440, 529, 696},
    {0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 2, 3, 4, 5, 6, 6}};

G726_STEP const RateTables& TablesFor(int bits) {
  switch (bits) {
    case 2: return kRate16;
    case 3: return kRate24;
    case 4: return kRate32;
    default: return kRate40;
  }
}

// Predictor coefficients and products are 16-bit words that wrap.
G726_STEP int16_t Wrap16(int value) { return static_cast<int16_t>(value); }

G726_STEP int16_t ToFloat(int magnitude, bool negative) {
  const int exponent = std::bit_width(static_cast<unsigned>(magnitude));
  const int mantissa = magnitude ? (magnitude << 6) >> exponent : 32;
  return static_cast<int16_t>((negative ? 1 << 11 : 0) | exponent << 6 | mantissa);
}

struct Estimate {
  int se;   // signal estimate
  int sez;  // its zero-predictor part
};

// Scale factor for this sample, mixed from the fast and slow factors by
// the speed control (LIMA, MIX). The slow factor keeps its six extra
// fraction bits through the mix and the result is floored once, as in
// FFmpeg's decoder; the recommendation truncates the slow factor first and
// the product toward zero, which parts by one unit now and then.
G726_STEP int ScaleFactor(const G726State& s) {
  const int al = s.ap >= 256 ? 64 : s.ap >> 2;
  return (s.yl + (s.yu - (s.yl >> 6)) * al) >> 6;
}

// Magnitude of the quantized difference (ADDA, ANTILOG).
G726_STEP int InverseQuantize(int dqln, int y) {
  const int dql = (dqln + (y >> 2)) & 4095;
  if (dql >> 11) return 0;
  const int exponent = (dql >> 7) & 15;
  return ((128 + (dql & 127)) << 7) >> (14 - exponent);
}

// True when a tone was present and this difference is large enough to be a
// transition, which resets the predictor (TRANS).
G726_STEP bool Transition(const G726State& s, int dq_magnitude) {
  const int yl_int = s.yl >> 15;
  const int yl_frac = (s.yl >> 10) & 31;
  const int threshold = yl_int > 9 ? 31 << 10 : (32 + yl_frac) << yl_int;
  return s.td && dq_magnitude > (threshold + (threshold >> 1)) >> 1;
}

G726_STEP void UpdateScaleFactors(G726State& s, int y, int w) {
  const int yut = (y + (((w << 5) - y) >> 5)) & 8191;
  s.yu = static_cast<int16_t>(std::clamp(yut, 544, 5120));
  s.yl = (s.yl + s.yu + ((-s.yl) >> 6)) & 524287;
}

template <typename Vector>
G726_STEP void UpdatePredictor(G726State& s, int dq, bool dq_negative, int sez) {
  const int dqsez = dq + sez;
  const uint8_t pk0 = dqsez < 0;
  const bool sigpk = dqsez == 0;
  const bool pks1 = pk0 != s.pk[0];
  const bool pks2 = pk0 != s.pk[1];

  const int fa1 = std::clamp<int>(s.a[0], -8191, 8191) * 4;
  const int uga2 = sigpk ? 0 : ((pks2 ? -16384 : 16384) + (pks1 ? fa1 : -fa1)) >> 7;
  const int a2 = std::clamp<int>(Wrap16(s.a[1] + uga2 - (s.a[1] >> 7)), -12288, 12288);
  const int uga1 = sigpk ? 0 : (pks1 ? -192 : 192);
  const int a1 = std::clamp<int>(Wrap16(s.a[0] + uga1 - (s.a[0] >> 8)), a2 - 15360, 15360 - a2);
  Vector::UpdateCoefficients(s, a1, a2, dq, dq_negative);
  s.pk[1] = s.pk[0];
  s.pk[0] = pk0;
}

// Speed control and tone detector (FILTA, FILTB, SUBTC, FILTC, TONE).
G726_STEP void UpdateSpeedControl(G726State& s, int y, int f, bool transition) {
  s.dms = static_cast<int16_t>((s.dms + (((f << 9) - s.dms) >> 5)) & 4095);
  s.dml = static_cast<int16_t>((s.dml + (((f << 11) - s.dml) >> 7)) & 16383);
  const bool tone = s.a[1] < -11776;
  const int spread = std::abs((s.dms << 2) - s.dml);
  const int ax = (y >= 1536 && spread < (s.dml >> 3) && !tone) ? 0 : 1;
  s.ap = static_cast<int16_t>((s.ap + (((ax << 9) - s.ap) >> 4)) & 1023);
  s.td = tone;
  if (transition) {
    s.ap = 256;
    s.td = 0;
    std::fill(std::begin(s.a), std::end(s.a), int16_t{0});
    std::fill(std::begin(s.b), std::end(s.b), int16_t{0});
  }
}

template <typename Vector>
G726_STEP int16_t DecodeOne(G726State& s, int bits, int code) {
  const RateTables& tables = TablesFor(bits);
  const bool negative = (code >> (bits - 1)) & 1;
  const size_t magnitude = static_cast<size_t>(negative ? code ^ ((1 << bits) - 1) : code);

  const Estimate estimate = Vector::Predict(s);
  const int y = ScaleFactor(s);
  const int dq_magnitude = InverseQuantize(tables.dqln[magnitude], y);
  const int dq = negative ? -dq_magnitude : dq_magnitude;
  const int16_t sr = Wrap16(estimate.se + dq);
  const bool transition = Transition(s, dq_magnitude);

  UpdateScaleFactors(s, y, tables.w[magnitude]);
  UpdatePredictor<Vector>(s, dq, negative, estimate.sez);
  UpdateSpeedControl(s, y, tables.f[magnitude], transition);

  Vector::PushHistory(s, ToFloat(dq_magnitude, negative), ToFloat(std::abs(int{sr}), sr < 0));
  // Held at the 16-bit limits; letting the sample wrap would flip its sign.
  return static_cast<int16_t>(std::clamp(sr * 4, -32768, 32767));
}

// Decodes `samples` codes of `bits` bits, packed first code in the least
// significant bits.
template <typename Vector>
G726_STEP void DecodeCodes(G726State& state, int bits, const uint8_t* data, size_t samples,
                           int16_t* output) {
  const unsigned mask = (1u << bits) - 1;
  unsigned pending = 0;  // bits read but not yet decoded, oldest lowest
  int pending_bits = 0;
  for (size_t i = 0; i < samples; ++i) {
    if (pending_bits < bits) {
      pending |= static_cast<unsigned>(*data++) << pending_bits;
      pending_bits += 8;
    }
    output[i] = DecodeOne<Vector>(state, bits, static_cast<int>(pending & mask));
    pending >>= bits;
    pending_bits -= bits;
  }
}

}  // namespace
}  // namespace voice
