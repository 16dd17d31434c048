#include "formats/jpeg/JpegFdct.h"

#include "formats/jpeg/JpegDctConstants.h"
#include "formats/jpeg/JpegQuantise.h"
#include "formats/jpeg/JpegSimd.h"
#include "formats/jpeg/JpegVector.h"

namespace kanvo::jpeg {

namespace {

using namespace dct;

inline int32_t divide8(int32_t v) { return v >= 0 ? (v + 4) >> 3 : -((-v + 4) >> 3); }

// The 8-point transform in place, inputs x0..x7 (already scaled) becoming outputs X0..X7, of one
// value (T = int32_t) or of eight lanes at once (T = I32x8).
#define m KANVO_DCT_LANE_MUL
template <class T>
[[gnu::always_inline]] inline void fdct8(T (&x)[8]) {
  const T s0 = x[0] + x[7], s1 = x[1] + x[6], s2 = x[2] + x[5], s3 = x[3] + x[4];
  const T d0 = x[0] - x[7], d1 = x[1] - x[6], d2 = x[2] - x[5], d3 = x[3] - x[4];
  const T e0 = s0 + s3, e3 = s0 - s3, e1 = s1 + s2, e2 = s1 - s2;
  x[0] = m(e0 + e1, kC4);
  x[4] = m(e0 - e1, kC4);
  x[2] = m(e3, kC2) + m(e2, kS2);
  x[6] = m(e3, kS2) - m(e2, kC2);
  const T u6 = m(d1 + d2, kC4), u5 = m(d1 - d2, kC4);
  const T t4 = d3 + u5, t5 = d3 - u5, t7 = d0 + u6, t6 = d0 - u6;
  x[1] = m(t4, kS1) + m(t7, kC1);
  x[7] = m(t7, kS1) - m(t4, kC1);
  x[5] = m(t5, kC3) + m(t6, kS3);
  x[3] = m(t6, kC3) - m(t5, kS3);
}
#undef m

// The transform of one block into rows of lanes.
[[gnu::always_inline]] inline void transformBlock(const int32_t* samples, ptrdiff_t stride, I32x8 (&v)[8]) {
#pragma GCC unroll 8
  for (int r = 0; r < 8; ++r) {
    load8(v[r], samples + r * stride);
    v[r] *= 4;
  }
  fdct8(v);  // columns
  transpose8x8(v);
#pragma GCC unroll 8
  for (int r = 0; r < 8; ++r) v[r] >>= 1;
  fdct8(v);  // rows, held as columns
  transpose8x8(v);
#pragma GCC unroll 8
  for (int r = 0; r < 8; ++r) divideRounded<3>(v[r]);
}

}  // namespace

KANVO_VECTOR_CLONES void forwardDct(const int32_t* samples, ptrdiff_t stride, int32_t* coefficients) {
  I32x8 v[8];
  transformBlock(samples, stride, v);
#pragma GCC unroll 8
  for (int r = 0; r < 8; ++r) store8(coefficients + 8 * r, v[r]);
}

KANVO_VECTOR_CLONES uint64_t forwardDctQuantised(const int32_t* samples, ptrdiff_t stride, const int32_t* reciprocals,
                                                 int32_t* out) {
  I32x8 v[8];
  transformBlock(samples, stride, v);
  return quantiseRows(v, reciprocals, out);
}

KANVO_VECTOR_CLONES uint64_t quantiseBlock(const int32_t* coefficients, const int32_t* reciprocals, int32_t* out) {
  I32x8 v[8];
#pragma GCC unroll 8
  for (int r = 0; r < 8; ++r) load8(v[r], coefficients + 8 * r);
  return quantiseRows(v, reciprocals, out);
}

void forwardDctPlain(const int32_t* samples, int32_t* coefficients) {
  int32_t tmp[64], x[8];
  for (int c = 0; c < 8; ++c) {
    for (int i = 0; i < 8; ++i) x[i] = samples[i * 8 + c] * 4;
    fdct8(x);
    for (int i = 0; i < 8; ++i) tmp[i * 8 + c] = x[i];
  }
  for (int r = 0; r < 8; ++r) {
    for (int i = 0; i < 8; ++i) x[i] = tmp[r * 8 + i] >> 1;
    fdct8(x);
    for (int i = 0; i < 8; ++i) coefficients[r * 8 + i] = divide8(x[i]);
  }
}

}  // namespace kanvo::jpeg
