#pragma once
// Helpers for tests of tiled images: seeded random contents with absent, all-zero and full
// tiles, conversion to the plain buffer of the same depth and pixel-by-pixel comparison.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <type_traits>
#include <vector>

#include "raster/image/Image1.h"
#include "raster/image/Image32.h"
#include "raster/image/Image8.h"
#include "raster/span/SpanOps.h"
#include "raster/tiled/TiledImage.h"
#include "support/RandomImages.h"

namespace kanvo::test {

// The plain buffer of each depth.
template <int Bpp>
struct FlatOf {
  using Image = std::conditional_t<Bpp == 32, Image32, std::conditional_t<Bpp == 8, Image8, Image1>>;
};

// A random value of the depth, rich in 0 and in the extremes (alpha 0 and 255).
template <int Bpp>
typename TiledImage<Bpp>::Value randomValue(std::mt19937& rng) {
  const uint32_t r = rng();
  if constexpr (Bpp == 32) {
    switch (r % 6) {
      case 0: return 0;
      case 1: return 0xFF000000u | (rng() & 0xFFFFFFu);
      case 2: return rng() & 0xFFFFFFu;  // alpha 0, colour bytes kept
      default: return rng();
    }
  } else if constexpr (Bpp == 8) {
    switch (r % 5) {
      case 0: return 0;
      case 1: return 255;
      case 2: return uint8_t(127 + (rng() & 1));
      default: return uint8_t(rng());
    }
  } else {
    return uint8_t(r & 1);
  }
}

// Fills a resized image: each tile is absent with probability 2/5, present and all zero with
// 1/10, otherwise present with random pixels (inside the image only).
template <int Bpp>
void fillRandomTiles(TiledImage<Bpp>& image, std::mt19937& rng) {
  image.clear();
  for (int32_t ty = 0; ty < image.tilesY(); ++ty) {
    for (int32_t tx = 0; tx < image.tilesX(); ++tx) {
      const uint32_t kind = rng() % 10;
      if (kind < 4) continue;
      ASSERT_NE(image.getOrCreateTile(tx, ty), nullptr);
      if (kind == 4) continue;
      for (int32_t y = ty * 64; y < ty * 64 + 64; ++y)
        for (int32_t x = tx * 64; x < tx * 64 + 64; ++x) image.setPixel(x, y, randomValue<Bpp>(rng));
    }
  }
}

// The params of a plain fill with value (op 0 at full opacity): fillRect stores the value as it is.
inline SpanParams fillWith(uint32_t value) {
  SpanParams p;
  p.op = kOpCopy;
  p.opacity = 255;
  p.key = value;
  return p;
}

// Makes `flat` a plain buffer of the same size holding the same pixels.
template <int Bpp>
void copyToFlat(const TiledImage<Bpp>& image, typename FlatOf<Bpp>::Image& flat) {
  if constexpr (Bpp == 32)
    ASSERT_TRUE(flat.resizeBuffer(int32_t(image.width()), int32_t(image.height())));
  else
    ASSERT_TRUE(flat.resize(int32_t(image.width()), int32_t(image.height())));
  for (int32_t y = 0; y < int32_t(image.height()); ++y)
    for (int32_t x = 0; x < int32_t(image.width()); ++x) flat.setPixel(x, y, image.getPixel(x, y));
}

// True (and no failure) when every pixel of the tiled image equals the plain buffer's.
template <int Bpp, class Flat>
::testing::AssertionResult samePixels(const TiledImage<Bpp>& tiled, const Flat& flat) {
  if (int32_t(tiled.width()) != flat.width() || int32_t(tiled.height()) != flat.height())
    return ::testing::AssertionFailure() << "sizes differ";
  for (int32_t y = 0; y < flat.height(); ++y)
    for (int32_t x = 0; x < flat.width(); ++x)
      if (uint32_t(tiled.getPixel(x, y)) != uint32_t(flat.getPixel(x, y)))
        return ::testing::AssertionFailure() << "pixel (" << x << ", " << y << "): tiled " << std::hex
                                             << uint32_t(tiled.getPixel(x, y)) << ", plain "
                                             << uint32_t(flat.getPixel(x, y));
  return ::testing::AssertionSuccess();
}

// Which tiles are present, row-major.
template <int Bpp>
std::vector<bool> presence(const TiledImage<Bpp>& image) {
  std::vector<bool> out;
  for (int32_t ty = 0; ty < image.tilesY(); ++ty)
    for (int32_t tx = 0; tx < image.tilesX(); ++tx) out.push_back(image.tileExists(tx, ty));
  return out;
}

// True when every tile present now was present before or holds a non-zero byte: zero writes
// never allocate.
template <int Bpp>
::testing::AssertionResult noZeroTilesCreated(const TiledImage<Bpp>& image, const std::vector<bool>& before) {
  for (int32_t t = 0; t < image.tileCount(); ++t) {
    const auto* tile = image.tile(t % image.tilesX(), t / image.tilesX());
    if (tile != nullptr && !before[size_t(t)] &&
        std::all_of(tile->bits(), tile->bits() + tile->byteCount(), [](uint8_t b) { return b == 0; }))
      return ::testing::AssertionFailure() << "all-zero tile created, number " << t;
  }
  return ::testing::AssertionSuccess();
}

}  // namespace kanvo::test
