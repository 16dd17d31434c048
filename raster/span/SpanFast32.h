#pragma once
// Exact fast forms of ops 12 and 23 of the 32-bit blend span over a plain source (internal to
// the span routines). They give the same bytes as the per-pixel formulas of SpanBlend32.h: the
// divisions by 255 become a multiply-free add-and-shift that is exact over the operand range
// used, the over's division by its alpha sum uses a float reciprocal corrected to the exact
// integer quotient, and blocks of transparent or opaque source pixels take short cuts.
// w (the opacity) must be 1..255; offsets are already applied to the rows.
#include <bit>
#include <cmath>
#include <cstdint>
#include <span>

#include "raster/span/SpanOps.h"

namespace kanvo::span_detail {

// x / 255 for 0 <= x <= 65534 (x + 1 + (x >> 8) stays below 65536).
constexpr uint32_t div255(uint32_t x) { return (x + 1 + (x >> 8)) >> 8; }

// num / den truncated, for 1 <= den <= 65025 and 0 <= num <= 256 x den (below 2^24).
// The float just below the rounded reciprocal makes an estimate that is the quotient or one
// less, never more; the remainder test corrects it. The vector code of the over performs
// exactly these steps lane by lane; this scalar form states them for the tests.
inline int32_t divideByAlphaSum(int32_t num, int32_t den) {
  const float below = std::bit_cast<float>(std::bit_cast<uint32_t>(1.0f / float(den)) - 1);
  const int32_t q = int32_t(float(num) * below);
  return q + int32_t(num - q * den >= den);
}

// The same quotient where fused multiply-adds are at hand: hi + lo is the reciprocal to twice
// float precision, and (num + 1/2) (hi + lo) taken with one rounding at the end lies within
// half a unit in the last place (below 2^-17) of (num + 1/2) / den, which is at least
// 1 / (2 den) > 2^-17 away from every whole number: its truncation is the quotient.
inline int32_t divideByAlphaSumFused(int32_t num, int32_t den) {
  const float n = float(num), d = float(den), hi = 1.0f / d;
  const float lo = std::fma(-d, hi, 1.0f) * hi;
  return int32_t(std::fma(n, hi, std::fma(n, lo, 0.5f * hi)));
}

// The joined rows (SpanOps.h) the row functions take: where shift is not 0, count is a
// multiple of kJoinedMultiple.
constexpr int32_t kJoinedMultiple = 16;

// The row functions: overRow32, replaceColourRow32 and their joined forms run the first form
// of fastRowForms, the fastest this machine has; the others are there for the tests.
void overRow32(const uint8_t* src, uint8_t* dst, int32_t count, int w);
void replaceColourRow32(const uint8_t* src, uint8_t* dst, int32_t count, int w);
void overRows32(const JoinedRows& src, uint8_t* dst, int w);
void replaceColourRows32(const JoinedRows& src, uint8_t* dst, int w);

struct FastRowForms {
  void (*over)(const uint8_t* src, uint8_t* dst, int32_t count, int w);
  void (*replaceColour)(const uint8_t* src, uint8_t* dst, int32_t count, int w);
  void (*overRows)(const JoinedRows& src, uint8_t* dst, int w);
  void (*replaceColourRows)(const JoinedRows& src, uint8_t* dst, int w);
};
std::span<const FastRowForms> fastRowForms();

}  // namespace kanvo::span_detail
