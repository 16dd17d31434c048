#include "formats/jpeg/JpegIdct.h"

#include "formats/jpeg/JpegDctConstants.h"
#include "formats/jpeg/JpegSimd.h"

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

// The same transform on eight lanes at once: x and y hold 8 rows of 8 lanes.
inline void idct8Lanes(const int32_t* x, int32_t* y, int32_t scale) {
  for (int c = 0; c < 8; ++c) {
    int32_t x0 = x[c] * scale, x1 = x[8 + c] * scale, x2 = x[16 + c] * scale, x3 = x[24 + c] * scale;
    int32_t x4 = x[32 + c] * scale, x5 = x[40 + c] * scale, x6 = x[48 + c] * scale, x7 = x[56 + c] * scale;
    int32_t a0 = mul(x0 + x4, kC4);
    int32_t a1 = mul(x0 - x4, kC4);
    int32_t b0 = mul(x2, kC2) + mul(x6, kS2);
    int32_t b1 = mul(x2, kS2) - mul(x6, kC2);
    int32_t e0 = a0 + b0, e3 = a0 - b0, e1 = a1 + b1, e2 = a1 - b1;
    int32_t t4 = mul(x1, kS1) - mul(x7, kC1);
    int32_t t7 = mul(x1, kC1) + mul(x7, kS1);
    int32_t t5 = mul(x5, kC3) - mul(x3, kS3);
    int32_t t6 = mul(x5, kS3) + mul(x3, kC3);
    int32_t u4 = t4 + t5, u5 = t4 - t5, u6 = t7 - t6, u7 = t7 + t6;
    int32_t v5 = mul(u6 - u5, kC4), v6 = mul(u6 + u5, kC4);
    y[c] = e0 + u7;
    y[56 + c] = e0 - u7;
    y[8 + c] = e1 + v6;
    y[48 + c] = e1 - v6;
    y[16 + c] = e2 + v5;
    y[40 + c] = e2 - v5;
    y[24 + c] = e3 + u4;
    y[32 + c] = e3 - u4;
  }
}

inline void transpose8(const int32_t* in, int32_t* out) {
  for (int r = 0; r < 8; ++r)
    for (int c = 0; c < 8; ++c) out[c * 8 + r] = in[r * 8 + c];
}

}  // namespace

KANVO_VECTOR_CLONES void inverseDct(const int32_t* coefficients, int32_t* out, ptrdiff_t stride) {
  alignas(32) int32_t a[64];
  alignas(32) int32_t b[64];
  idct8Lanes(coefficients, a, 4);  // columns
  transpose8(a, b);
  idct8Lanes(b, a, 1);  // rows, now held as columns
  for (int r = 0; r < 8; ++r)
    for (int c = 0; c < 8; ++c) out[r * stride + c] = divide16(a[c * 8 + r]);
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
