#pragma once
// Conversions from geometry (doubles) to the integers and 16.16 fixed-point values of the
// per-pixel loops. Each truncates towards zero like a plain cast for every value in range;
// values beyond the target range saturate and NaN gives 0, so absurd coordinates cannot cause
// undefined behaviour.
#include <cstdint>
#include <limits>

namespace kanvo {

inline int32_t saturateToInt32(double v) {
  if (!(v == v)) return 0;
  if (v >= 2147483647.0) return std::numeric_limits<int32_t>::max();
  if (v <= -2147483648.0) return std::numeric_limits<int32_t>::min();
  return int32_t(v);
}

inline int64_t saturateToInt64(double v) {
  if (!(v == v)) return 0;
  if (v >= 9223372036854775807.0) return std::numeric_limits<int64_t>::max();
  if (v <= -9223372036854775808.0) return std::numeric_limits<int64_t>::min();
  return int64_t(v);
}

// int(v x 65536), saturated.
inline int32_t toFixed16(double v) { return saturateToInt32(v * 65536.0); }

}  // namespace kanvo
