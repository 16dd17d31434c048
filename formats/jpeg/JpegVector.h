#pragma once
// Eight 32-bit lanes in GCC vector extensions, for the block transforms and row conversions of
// the codec: one source gives AVX2 code in the functions marked KANVO_VECTOR_CLONES and SSE2
// code (two halves) in their baseline copies, with the same integer results.
//
// Vectors are handled through references and always-inlined helpers: a vector passed by value
// would differ between the AVX2 and the baseline copy of one function.
#include <cstdint>
#include <cstring>

namespace kanvo::jpeg {

using I32x8 = int32_t __attribute__((vector_size(32)));

[[gnu::always_inline]] inline void load8(I32x8& v, const int32_t* p) { std::memcpy(&v, p, sizeof v); }
[[gnu::always_inline]] inline void store8(int32_t* p, const I32x8& v) { std::memcpy(p, &v, sizeof v); }

// Rows of eight lanes become columns: after the call v[i][j] holds what v[j][i] held.
[[gnu::always_inline]] inline void transpose8x8(I32x8 (&v)[8]) {
  I32x8 t[8], u[8];
#pragma GCC unroll 8
  for (int i = 0; i < 8; i += 2) {
    t[i] = __builtin_shufflevector(v[i], v[i + 1], 0, 8, 1, 9, 4, 12, 5, 13);
    t[i + 1] = __builtin_shufflevector(v[i], v[i + 1], 2, 10, 3, 11, 6, 14, 7, 15);
  }
#pragma GCC unroll 8
  for (int i = 0; i < 8; i += 4) {
    u[i] = __builtin_shufflevector(t[i], t[i + 2], 0, 1, 8, 9, 4, 5, 12, 13);
    u[i + 1] = __builtin_shufflevector(t[i], t[i + 2], 2, 3, 10, 11, 6, 7, 14, 15);
    u[i + 2] = __builtin_shufflevector(t[i + 1], t[i + 3], 0, 1, 8, 9, 4, 5, 12, 13);
    u[i + 3] = __builtin_shufflevector(t[i + 1], t[i + 3], 2, 3, 10, 11, 6, 7, 14, 15);
  }
#pragma GCC unroll 8
  for (int i = 0; i < 4; ++i) {
    v[i] = __builtin_shufflevector(u[i], u[i + 4], 0, 1, 2, 3, 8, 9, 10, 11);
    v[i + 4] = __builtin_shufflevector(u[i], u[i + 4], 4, 5, 6, 7, 12, 13, 14, 15);
  }
}

// Lane-wise v / 2^shift rounded, halves away from zero, in place.
template <int kShift>
[[gnu::always_inline]] inline void divideRounded(I32x8& v) {
  // Below zero, -((-v + h) >> s) is (v + h - 1) >> s.
  v = (v + (1 << (kShift - 1)) + (v >> 31)) >> kShift;
}

}  // namespace kanvo::jpeg
