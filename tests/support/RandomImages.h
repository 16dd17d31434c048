#pragma once
// Seeded random contents for image buffer tests.
#include <cstdint>
#include <random>

#include "raster/PixelStore.h"

namespace kanvo::test {

// Every byte of the buffer (padding included) from the generator.
inline void fillRandomBytes(PixelStore& image, std::mt19937& rng) {
  uint8_t* p = image.bits();
  for (uint64_t i = 0; i < image.byteCount(); ++i) p[i] = uint8_t(rng());
}

// A value in [lo, hi].
inline int32_t randomIn(std::mt19937& rng, int32_t lo, int32_t hi) {
  return std::uniform_int_distribution<int32_t>(lo, hi)(rng);
}

}  // namespace kanvo::test
