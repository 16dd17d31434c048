#pragma once
// Seeded random contents for image buffer tests, and the pixel values to compare them by.
#include <cstdint>
#include <random>
#include <vector>

#include "raster/image/PixelStore.h"
#include "raster/span/SpanOps.h"

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

// The arguments of a random plain-buffer blit: op 0 or 1 by the parity of iter, a random
// opacity, both corners in [-40, 40] and width and height in [-3, 60], so that blits reach
// past either image or are empty.
struct RandomBlit {
  SpanParams params;
  int32_t dx, dy, sx, sy, w, h;
};

inline RandomBlit randomBlit(std::mt19937& rng, int iter) {
  RandomBlit b;
  b.params.op = iter % 2 ? kOpCopy : kOpBlend;
  b.params.opacity = uint8_t(randomIn(rng, 0, 255));
  b.dx = randomIn(rng, -40, 40);
  b.dy = randomIn(rng, -40, 40);
  b.sx = randomIn(rng, -40, 40);
  b.sy = randomIn(rng, -40, 40);
  b.w = randomIn(rng, -3, 60);
  b.h = randomIn(rng, -3, 60);
  return b;
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
