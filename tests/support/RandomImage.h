#pragma once
// Seeded random test images.
#include <cstdint>
#include <random>

#include "raster/image/Image32.h"

namespace kanvo::test {

// Random colours; with mixedAlpha a third of the pixels get a random alpha (some 0), the
// others are opaque.
inline void fillRandom(Image32& img, uint32_t seed, bool mixedAlpha = true) {
  std::mt19937 rng(seed);
  for (int32_t y = 0; y < img.height(); ++y)
    for (int32_t x = 0; x < img.width(); ++x) {
      uint32_t c = rng();
      if (!mixedAlpha || rng() % 3 != 0) c |= 0xFF000000u;
      if (mixedAlpha && rng() % 17 == 0) c &= 0x00FFFFFFu;
      img.setPixel(x, y, c);
    }
}

// True when both images have the same size and pixels.
inline bool sameImage(const Image32& a, const Image32& b) {
  if (a.width() != b.width() || a.height() != b.height()) return false;
  for (int32_t y = 0; y < a.height(); ++y)
    for (int32_t x = 0; x < a.width(); ++x)
      if (a.getPixel(x, y) != b.getPixel(x, y)) return false;
  return true;
}

}  // namespace kanvo::test
