#pragma once
// Seeded random contents for plain image buffers, and the pixel values to compare them by.
#include <cstdint>
#include <random>
#include <vector>

#include "raster/image/Image32.h"
#include "raster/image/PixelStore.h"
#include "raster/span/SpanOps.h"

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

// True when both images have the same size and pixels.
template <class Image>
bool sameImage(const Image& a, const Image& b) {
  return a.width() == b.width() && a.height() == b.height() && pixelsOf(a) == pixelsOf(b);
}

}  // namespace kanvo::test
