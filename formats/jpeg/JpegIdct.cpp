#include "formats/jpeg/JpegIdct.h"

#include <algorithm>
#include <cstring>

#include "formats/jpeg/JpegDctConstants.h"
#include "formats/jpeg/JpegSimd.h"
#include "formats/jpeg/JpegVector.h"

namespace kanvo::jpeg {

namespace {

using namespace dct;

inline int32_t divide16(int32_t v) { return v >= 0 ? (v + 8) >> 4 : -((-v + 8) >> 4); }

// One 8-point inverse transform in place, of one value (T = int32_t) or of eight lanes at once
// (T = I32x8). The inputs enter only through products, so inputs to be scaled by S take the
// constants times S instead. With kLowHalf, inputs 4..7 are taken as zero (whatever x holds
// there) and the compiler drops their terms.
#define m KANVO_DCT_LANE_MUL
template <int32_t S, bool kLowHalf = false, class T>
[[gnu::always_inline]] inline void idct8(T (&x)[8]) {
  const T x4 = kLowHalf ? T() : x[4], x5 = kLowHalf ? T() : x[5];
  const T x6 = kLowHalf ? T() : x[6], x7 = kLowHalf ? T() : x[7];
  const T a0 = m(x[0] + x4, kC4 * S), a1 = m(x[0] - x4, kC4 * S);
  const T b0 = m(x[2], kC2 * S) + m(x6, kS2 * S), b1 = m(x[2], kS2 * S) - m(x6, kC2 * S);
  const T e0 = a0 + b0, e3 = a0 - b0, e1 = a1 + b1, e2 = a1 - b1;
  const T t4 = m(x[1], kS1 * S) - m(x7, kC1 * S), t7 = m(x[1], kC1 * S) + m(x7, kS1 * S);
  const T t5 = m(x5, kC3 * S) - m(x[3], kS3 * S), t6 = m(x5, kS3 * S) + m(x[3], kC3 * S);
  const T u4 = t4 + t5, u5 = t4 - t5, u6 = t7 - t6, u7 = t7 + t6;
  const T v5 = m(u6 - u5, kC4), v6 = m(u6 + u5, kC4);
  x[0] = e0 + u7;
  x[7] = e0 - u7;
  x[1] = e1 + v6;
  x[6] = e1 - v6;
  x[2] = e2 + v5;
  x[5] = e2 - v5;
  x[3] = e3 + u4;
  x[4] = e3 - u4;
}
#undef m

using I16x8 = int16_t __attribute__((vector_size(16)));

[[gnu::always_inline]] inline bool isZero(const I16x8& v) {
  uint64_t bits[2];
  std::memcpy(bits, &v, sizeof bits);
  return (bits[0] | bits[1]) == 0;
}

// One block of more than a DC coefficient. kLowRows: rows 4..7 of the coefficients are zero;
// kLowColumns: columns 4..7 are, and so are those of the column pass's results.
template <bool kLowRows, bool kLowColumns>
[[gnu::always_inline]] inline void transformBlock(const I16x8 (&in)[8], const int32_t* quant, int32_t* out,
                                                  ptrdiff_t stride) {
  I32x8 v[8];
#pragma GCC unroll 8
  for (int r = 0; r < 8; ++r) {
    if (kLowRows && r >= 4) break;
    // Coefficients and steps within their limits give products within 32 bits.
    I32x8 q;
    load8(q, quant + 8 * r);
    v[r] = __builtin_convertvector(in[r], I32x8) * q;
    v[r] = v[r] > kCoefficientLimit ? kCoefficientLimit : v[r];
    v[r] = v[r] < -kCoefficientLimit ? -kCoefficientLimit : v[r];
  }
  idct8<4, kLowRows>(v);  // columns, of the coefficients times 4
  transpose8x8(v);
  idct8<1, kLowColumns>(v);  // rows, held as columns
  transpose8x8(v);
#pragma GCC unroll 8
  for (int r = 0; r < 8; ++r) {
    divideRounded<4>(v[r]);
    store8(out + r * stride, v[r]);
  }
}

}  // namespace

KANVO_VECTOR_CLONES void inverseDctBlocks(int16_t* coefficients, int count, const int32_t* quant, int32_t* out,
                                          ptrdiff_t stride) {
  for (int i = 0; i < count; ++i, coefficients += 64, out += 8) {
    I16x8 in[8];
    std::memcpy(in, coefficients, sizeof in);
    const I16x8 low = in[1] | in[2] | in[3], high = in[4] | in[5] | in[6] | in[7];
    if (isZero(low | high | (in[0] & I16x8{0, -1, -1, -1, -1, -1, -1, -1}))) {
      const int32_t flat = inverseDctDcOnly(
          int32_t(std::clamp<int64_t>(int64_t(in[0][0]) * quant[0], -kCoefficientLimit, kCoefficientLimit)));
      for (int r = 0; r < 8; ++r) std::fill_n(out + r * stride, 8, flat);
      coefficients[0] = 0;
      continue;
    }
    std::memset(coefficients, 0, 64 * sizeof(int16_t));
    const bool lowRows = isZero(high);
    const bool lowColumns = isZero((in[0] | low | high) & I16x8{0, 0, 0, 0, -1, -1, -1, -1});
    if (lowRows && lowColumns) {
      transformBlock<true, true>(in, quant, out, stride);
    } else if (lowRows) {
      transformBlock<true, false>(in, quant, out, stride);
    } else if (lowColumns) {
      transformBlock<false, true>(in, quant, out, stride);
    } else {
      transformBlock<false, false>(in, quant, out, stride);
    }
  }
}

void inverseDctPlain(const int32_t* coefficients, int32_t* out, ptrdiff_t stride) {
  int32_t tmp[64], x[8];
  for (int c = 0; c < 8; ++c) {
    for (int i = 0; i < 8; ++i) x[i] = coefficients[i * 8 + c] * 4;
    idct8<1>(x);
    for (int i = 0; i < 8; ++i) tmp[i * 8 + c] = x[i];
  }
  for (int r = 0; r < 8; ++r) {
    for (int i = 0; i < 8; ++i) x[i] = tmp[r * 8 + i];
    idct8<1>(x);
    for (int c = 0; c < 8; ++c) out[r * stride + c] = divide16(x[c]);
  }
}

}  // namespace kanvo::jpeg
