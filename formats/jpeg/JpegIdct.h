#pragma once
// The inverse transform of the baseline decoder: a separable 8 x 8 inverse DCT in fixed point
// with 9 fractional bits (constants 362 = sqrt(2)/2, 473 and 196 = cos and sin pi/8, 502 and
// 100 = cos and sin pi/16, 426 and 284 = cos and sin 3pi/16; every product shifted right by 9).
// The column pass takes the coefficients multiplied by 4, the row pass follows, and the results
// are divided by 16, rounding halves away from zero.
//
// Input: blocks of 64 quantised coefficients and their quantisation steps (0..65535), both in
// natural (row-major) order; each coefficient, within [-kCoefficientLimit, kCoefficientLimit], is
// multiplied by its step and the product held within the same limits, which keeps every
// intermediate within 32 bits. Output: 64 centred samples a block, row-major; values of real
// pictures lie near -128..127 but are not clamped.
#include <cstddef>
#include <cstdint>

namespace kanvo::jpeg {

constexpr int32_t kCoefficientLimit = 16384;

// Transforms `count` blocks of coefficients lying one after the other, all with the steps
// `quant`, into blocks side by side: block i's samples at out + 8 i, rows `stride` apart. The
// coefficients are cleared on the way, ready for the next blocks.
void inverseDctBlocks(int16_t* coefficients, int count, const int32_t* quant, int32_t* out, ptrdiff_t stride);

// The flat value of a block whose only non-zero coefficient is the DC one (dequantised); equal
// to every sample the whole transform gives for it.
inline int32_t inverseDctDcOnly(int32_t dc) {
  int32_t v = (((4 * dc * 362) >> 9) * 362) >> 9;
  return v >= 0 ? (v + 8) >> 4 : -((-v + 8) >> 4);
}

// The transform of coefficients already multiplied by their steps, as one plain 8-point routine
// applied to columns then rows; the reference the whole-block version is tested against.
void inverseDctPlain(const int32_t* coefficients, int32_t* out, ptrdiff_t stride);

}  // namespace kanvo::jpeg
