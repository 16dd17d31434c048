#pragma once
// The fixed-point arithmetic both 8 x 8 transforms share: the rotation constants with 9
// fractional bits and the product that drops them (arithmetic shift right by 9).
#include <cstdint>

namespace kanvo::jpeg::dct {

constexpr int32_t kC4 = 362;  // sqrt(2)/2
constexpr int32_t kC2 = 473;  // cos pi/8
constexpr int32_t kS2 = 196;  // sin pi/8
constexpr int32_t kC1 = 502;  // cos pi/16
constexpr int32_t kS1 = 100;  // sin pi/16
constexpr int32_t kC3 = 426;  // cos 3pi/16
constexpr int32_t kS3 = 284;  // sin 3pi/16

inline int32_t mul(int32_t a, int32_t k) { return (a * k) >> 9; }

// mul on every lane of a vector of 32-bit lanes (a macro: see JpegVector.h).
#define KANVO_DCT_LANE_MUL(a, k) (((a) * (k)) >> 9)

}  // namespace kanvo::jpeg::dct
