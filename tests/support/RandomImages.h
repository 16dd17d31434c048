#pragma once
// Seeded random contents for plain image buffers, and the pixel values to compare them by.
#include <cstdint>
#include <random>
#include <vector>

#include "raster/image/Image32.h"
#include "raster/image/PixelStore.h"

namespace kanvo::test {

// Every byte of the buffer (padding included) from the generator.
inline void fillRandomBytes(PixelStore& image, std::mt19937& rng) {
  uint8_t* p = image.bits();
  for (uint64_t i = 0; i < image.byteCount(); ++i) p[i] = uint8_t(rng());
}

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

// A value in [lo, hi].
inline int32_t randomIn(std::mt19937& rng, int32_t lo, int32_t hi) {
  return std::uniform_int_distribution<int32_t>(lo, hi)(rng);
}

// Every pixel value of a plain buffer (Image32, Image8 or Image1), row by row, as getPixel
// gives it.
template <class Image>
auto pixelsOf(const Image& image) {
  std::vector<decltype(image.getPixel(0, 0))> out;
  for (int32_t y = 0; y < image.height(); ++y)
    for (int32_t x = 0; x < image.width(); ++x) out.push_back(image.getPixel(x, y));
  return out;
}

}  // namespace kanvo::test
