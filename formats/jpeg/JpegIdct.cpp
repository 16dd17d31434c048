#include "formats/jpeg/JpegIdct.h"

#include "formats/jpeg/JpegDctConstants.h"
#include "formats/jpeg/JpegSimd.h"
#include "formats/jpeg/JpegVector.h"

namespace kanvo::jpeg {

namespace {

using namespace dct;

inline int32_t divide16(int32_t v) { return v >= 0 ? (v + 8) >> 4 : -((-v + 8) >> 4); }

// One 8-point inverse transform of x[0], x[step], ... x[7 * step] into y likewise.
inline void idct8(const int32_t* x, ptrdiff_t xs, int32_t* y, ptrdiff_t ys) {
  int32_t a0 = mul(x[0] + x[4 * xs], kC4);
  int32_t a1 = mul(x[0] - x[4 * xs], kC4);
  int32_t b0 = mul(x[2 * xs], kC2) + mul(x[6 * xs], kS2);
  int32_t b1 = mul(x[2 * xs], kS2) - mul(x[6 * xs], kC2);
  int32_t e0 = a0 + b0, e3 = a0 - b0, e1 = a1 + b1, e2 = a1 - b1;

  int32_t t4 = mul(x[1 * xs], kS1) - mul(x[7 * xs], kC1);
  int32_t t7 = mul(x[1 * xs], kC1) + mul(x[7 * xs], kS1);
  int32_t t5 = mul(x[5 * xs], kC3) - mul(x[3 * xs], kS3);
  int32_t t6 = mul(x[5 * xs], kS3) + mul(x[3 * xs], kC3);
  int32_t u4 = t4 + t5, u5 = t4 - t5, u6 = t7 - t6, u7 = t7 + t6;
  int32_t v5 = mul(u6 - u5, kC4), v6 = mul(u6 + u5, kC4);

  y[0] = e0 + u7;
  y[7 * ys] = e0 - u7;
  y[1 * ys] = e1 + v6;
  y[6 * ys] = e1 - v6;
  y[2 * ys] = e2 + v5;
  y[5 * ys] = e2 - v5;
  y[3 * ys] = e3 + u4;
  y[4 * ys] = e3 - u4;
}

// The same transform on eight lanes at once: x[i] holds input i of every lane. The inputs enter
// only through products, so inputs to be scaled by S take the constants times S instead.
#define m KANVO_DCT_LANE_MUL
template <int32_t S>
[[gnu::always_inline]] inline void idct8Lanes(I32x8 (&x)[8]) {
  const I32x8 a0 = m(x[0] + x[4], kC4 * S), a1 = m(x[0] - x[4], kC4 * S);
  const I32x8 b0 = m(x[2], kC2 * S) + m(x[6], kS2 * S), b1 = m(x[2], kS2 * S) - m(x[6], kC2 * S);
  const I32x8 e0 = a0 + b0, e3 = a0 - b0, e1 = a1 + b1, e2 = a1 - b1;
  const I32x8 t4 = m(x[1], kS1 * S) - m(x[7], kC1 * S), t7 = m(x[1], kC1 * S) + m(x[7], kS1 * S);
  const I32x8 t5 = m(x[5], kC3 * S) - m(x[3], kS3 * S), t6 = m(x[5], kS3 * S) + m(x[3], kC3 * S);
  const I32x8 u4 = t4 + t5, u5 = t4 - t5, u6 = t7 - t6, u7 = t7 + t6;
  const I32x8 v5 = m(u6 - u5, kC4), v6 = m(u6 + u5, kC4);
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

}  // namespace

KANVO_VECTOR_CLONES void inverseDct(const int32_t* coefficients, int32_t* out, ptrdiff_t stride) {
  I32x8 v[8];
#pragma GCC unroll 8
  for (int r = 0; r < 8; ++r) load8(v[r], coefficients + 8 * r);
  idct8Lanes<4>(v);  // columns, of the coefficients times 4
  transpose8x8(v);
  idct8Lanes<1>(v);  // rows, held as columns
  transpose8x8(v);
#pragma GCC unroll 8
  for (int r = 0; r < 8; ++r) {
    divideRounded<4>(v[r]);
    store8(out + r * stride, v[r]);
  }
}

void inverseDctPlain(const int32_t* coefficients, int32_t* out, ptrdiff_t stride) {
  int32_t in[64], tmp[64], res[64];
  for (int i = 0; i < 64; ++i) in[i] = coefficients[i] * 4;
  for (int c = 0; c < 8; ++c) idct8(in + c, 8, tmp + c, 8);
  for (int r = 0; r < 8; ++r) idct8(tmp + 8 * r, 1, res + 8 * r, 1);
  for (int r = 0; r < 8; ++r)
    for (int c = 0; c < 8; ++c) out[r * stride + c] = divide16(res[r * 8 + c]);
}

}  // namespace kanvo::jpeg
