#pragma once
// Quantisation of the encoder: coefficient / step, truncating toward zero, computed as
// sign(x) * ((|x| * m) >> 20) with m = ceil(2^20 / step); equal to the division for |x| < 4096
// and steps 1..255 (forward DCT coefficients of 8-bit samples stay within +-1100).
#include <cstdint>

#include "formats/jpeg/JpegVector.h"

namespace kanvo::jpeg {

constexpr int kQuantShift = 20;
inline int32_t quantReciprocal(int32_t step) { return ((1 << kQuantShift) + step - 1) / step; }

// coefficients and reciprocals in natural order, 64 each; |coefficients| are held below 4096.
// Returns the non-zero outputs as a mask, bit i for natural index i.
uint64_t quantiseBlock(const int32_t* coefficients, const int32_t* reciprocals, int32_t* out);

// The same on a block held as eight rows of lanes, for the vector routines.
[[gnu::always_inline]] inline uint64_t quantiseRows(const I32x8 (&x)[8], const int32_t* reciprocals, int32_t* out) {
  using U32x8 = uint32_t __attribute__((vector_size(32)));
  const U32x8 laneBit = {1, 2, 4, 8, 16, 32, 64, 128};
  U32x8 low = {}, high = {};
#pragma GCC unroll 8
  for (int r = 0; r < 8; ++r) {
    I32x8 rec;
    load8(rec, reciprocals + 8 * r);
    const I32x8 sign = x[r] >> 31;
    I32x8 a = (x[r] ^ sign) - sign;
    a = a > 4095 ? 4095 : a;
    const I32x8 q = I32x8((U32x8(a) * U32x8(rec)) >> kQuantShift);  // below 2^32
    const I32x8 v = (q ^ sign) - sign;
    store8(out + 8 * r, v);
    (r < 4 ? low : high) |= U32x8(v != 0) & (laneBit << (8 * (r & 3)));
  }
  // Lanes 0-3 gather the low half of the mask, lanes 4-7 the high half.
  U32x8 m = __builtin_shufflevector(low, high, 0, 1, 2, 3, 8, 9, 10, 11) |
            __builtin_shufflevector(low, high, 4, 5, 6, 7, 12, 13, 14, 15);
  m |= __builtin_shufflevector(m, m, 2, 3, 0, 1, 6, 7, 4, 5);
  m |= __builtin_shufflevector(m, m, 1, 0, 3, 2, 5, 4, 7, 6);
  return uint64_t(m[0]) | uint64_t(m[4]) << 32;
}

}  // namespace kanvo::jpeg
