// Copies between tiled images and nearest resampling, at each depth, against per-pixel
// references.
#include "raster/tiled/TiledCopy.h"

#include <gtest/gtest.h>

#include <random>

#include "raster/tiled/TiledResample.h"
#include "support/RandomImages.h"
#include "support/TiledImages.h"

namespace kanvo {
namespace {

using test::randomIn;

template <int Bpp>
void copyAndResampleMatchReference(uint32_t seed) {
  std::mt19937 rng(seed);
  TiledImage<Bpp> src, dst;
  ASSERT_NO_FATAL_FAILURE(test::makeRandomPair(rng, src, 300, 200, dst, 300, 200));
  typename test::FlatOf<Bpp>::Image before;
  test::copyToFlat(dst, before);
  const int64_t sx = randomIn(rng, -100, 300), sy = randomIn(rng, -100, 200), w = randomIn(rng, 0, 400),
                h = randomIn(rng, 0, 300), dx = randomIn(rng, -300, 300), dy = randomIn(rng, -200, 200);
  ASSERT_TRUE(copyPixels(src, sx, sy, w, h, dst, dx, dy));
  for (int32_t y = 0; y < int32_t(dst.height()); ++y)
    for (int32_t x = 0; x < int32_t(dst.width()); ++x) {
      const int64_t fx = x - dx + sx, fy = y - dy + sy;
      const bool inside = fx >= sx && fx < sx + w && fy >= sy && fy < sy + h && fx >= 0 && fy >= 0 &&
                          fx < int64_t(src.width()) && fy < int64_t(src.height());
      ASSERT_EQ(uint32_t(dst.getPixel(x, y)),
                uint32_t(inside ? src.getPixel(int32_t(fx), int32_t(fy)) : before.getPixel(x, y)))
          << "seed " << seed << " at " << x << ", " << y;
    }
  EXPECT_FALSE(copyPixels(dst, 0, 0, 10, 10, dst, 1, 1));
  // Resampling replaces dst whole: pixel (x, y) takes source ((x stepX) >> 16, (y stepY) >> 16).
  ASSERT_TRUE(dst.resize(uint32_t(randomIn(rng, 1, 400)), uint32_t(randomIn(rng, 1, 300))));
  test::fillRandomTiles(dst, rng);
  ASSERT_TRUE(resampleNearest(src, dst));
  const int64_t stepX = resampleStep16(src.width(), dst.width()),
                stepY = resampleStep16(src.height(), dst.height());
  for (int32_t y = 0; y < int32_t(dst.height()); ++y)
    for (int32_t x = 0; x < int32_t(dst.width()); ++x)
      ASSERT_EQ(uint32_t(dst.getPixel(x, y)),
                uint32_t(src.getPixel(int32_t(x * stepX >> 16), int32_t(y * stepY >> 16))))
          << "seed " << seed << " at " << x << ", " << y;
}

TEST(TiledCopyTest, CopyAndResampleMatchPerPixelReferences) {
  for (uint32_t seed = 1; seed <= 6; ++seed) {
    copyAndResampleMatchReference<32>(seed);
    copyAndResampleMatchReference<8>(seed + 100);
    copyAndResampleMatchReference<1>(seed + 200);
  }
  EXPECT_EQ(resampleStep16(32760, 1), int64_t(32760) << 16);
  EXPECT_EQ(resampleStep16(3, 2), 98304);
}

TEST(TiledCopyTest, HugeOffsetsCopyNothing) {
  TiledImage8 src, dst;
  ASSERT_TRUE(src.resize(100, 100));
  ASSERT_TRUE(dst.resize(100, 100));
  src.setPixel(1, 1, 5);
  EXPECT_TRUE(copyPixels(src, 0, 0, 100, 100, dst, INT64_MAX, INT64_MIN));
  EXPECT_TRUE(copyPixels(src, INT64_MIN, 0, INT64_MAX, 100, dst, 0, 0));
  EXPECT_TRUE(copyPixels(src, INT64_MAX, INT64_MAX, INT64_MAX, INT64_MAX, dst, INT64_MIN, INT64_MIN));
  EXPECT_EQ(dst.presentTileCount(), 0);
  EXPECT_TRUE(copyPixels(src, -1000, 0, INT64_MAX, 100, dst, -1000, 0));
  EXPECT_EQ(dst.getPixel(1, 1), 5);  // the last copy took the whole source
  EXPECT_EQ(dst.presentTileCount(), 1);
}

TEST(TiledCopyTest, ClearPixelsFreesTilesThatBecomeEmpty) {
  TiledImage32 image;
  ASSERT_TRUE(image.resize(200, 100));
  image.fillRect(test::fillWith(0xFF00FF00u), 0, 0, 200, 100);
  clearPixels(image, Rect(64, 0, 64, 64));  // one whole tile
  EXPECT_FALSE(image.tileExists(1, 0));
  clearPixels(image, Rect(128, 64, 100, 100));  // the corner tile, reaching the edges
  EXPECT_FALSE(image.tileExists(2, 1));
  clearPixels(image, Rect(0, 0, 10, 10));  // part of a tile
  EXPECT_TRUE(image.tileExists(0, 0));
  EXPECT_TRUE(image.getPixel(9, 9) == 0u && image.getPixel(10, 9) == 0xFF00FF00u);
  clearPixels(image, Rect(-5, -5, 80, 80));
  EXPECT_FALSE(image.tileExists(0, 0));
}

}  // namespace
}  // namespace kanvo
