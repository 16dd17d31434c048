#include "formats/jpeg/JpegFdct.h"

#include "formats/jpeg/JpegDctConstants.h"
#include "formats/jpeg/JpegSimd.h"

namespace kanvo::jpeg {

namespace {

using namespace dct;

inline int32_t divide8(int32_t v) { return v >= 0 ? (v + 4) >> 3 : -((-v + 4) >> 3); }

// The 8-point transform: inputs x0..x7 (already scaled), outputs X0..X7.
struct Fdct8 {
  template <class Load, class Store>
  static inline void run(Load x, Store y) {
    int32_t s0 = x(0) + x(7), s1 = x(1) + x(6), s2 = x(2) + x(5), s3 = x(3) + x(4);
    int32_t d0 = x(0) - x(7), d1 = x(1) - x(6), d2 = x(2) - x(5), d3 = x(3) - x(4);
    int32_t e0 = s0 + s3, e3 = s0 - s3, e1 = s1 + s2, e2 = s1 - s2;
    y(0, mul(e0 + e1, kC4));
    y(4, mul(e0 - e1, kC4));
    y(2, mul(e3, kC2) + mul(e2, kS2));
    y(6, mul(e3, kS2) - mul(e2, kC2));
    int32_t u6 = mul(d1 + d2, kC4), u5 = mul(d1 - d2, kC4);
    int32_t t4 = d3 + u5, t5 = d3 - u5, t7 = d0 + u6, t6 = d0 - u6;
    y(1, mul(t4, kS1) + mul(t7, kC1));
    y(7, mul(t7, kS1) - mul(t4, kC1));
    y(5, mul(t5, kC3) + mul(t6, kS3));
    y(3, mul(t6, kC3) - mul(t5, kS3));
  }
};

}  // namespace

KANVO_VECTOR_CLONES void forwardDct(const int32_t* samples, ptrdiff_t stride, int32_t* coefficients) {
  alignas(32) int32_t a[64];
  alignas(32) int32_t b[64];
  // Columns, all eight lanes at once.
  for (int c = 0; c < 8; ++c) {
    Fdct8::run([&](int i) { return samples[i * stride + c] * 4; }, [&](int i, int32_t v) { a[i * 8 + c] = v; });
  }
  // Rows: transpose so that the rows become lanes too.
  for (int r = 0; r < 8; ++r)
    for (int c = 0; c < 8; ++c) b[c * 8 + r] = a[r * 8 + c] >> 1;
  for (int c = 0; c < 8; ++c) {
    Fdct8::run([&](int i) { return b[i * 8 + c]; }, [&](int i, int32_t v) { a[i * 8 + c] = v; });
  }
  for (int r = 0; r < 8; ++r)
    for (int c = 0; c < 8; ++c) coefficients[r * 8 + c] = divide8(a[c * 8 + r]);
}

void forwardDctPlain(const int32_t* samples, int32_t* coefficients) {
  int32_t tmp[64], res[64];
  for (int c = 0; c < 8; ++c) {
    Fdct8::run([&](int i) { return samples[i * 8 + c] * 4; }, [&](int i, int32_t v) { tmp[i * 8 + c] = v; });
  }
  for (int r = 0; r < 8; ++r) {
    Fdct8::run([&](int i) { return tmp[r * 8 + i] >> 1; }, [&](int i, int32_t v) { res[r * 8 + i] = v; });
  }
  for (int i = 0; i < 64; ++i) coefficients[i] = divide8(res[i]);
}

}  // namespace kanvo::jpeg
