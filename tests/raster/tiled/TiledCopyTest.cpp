// Copies between tiled images and clearing, at each depth, against per-pixel references.
#include "raster/tiled/TiledCopy.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "support/RandomImages.h"
#include "support/TiledImages.h"

namespace kanvo {
namespace {

using test::randomIn;

template <int Bpp>
void copyAndClearMatchReferences(uint32_t seed) {
  std::mt19937 rng(seed);
  TiledImage<Bpp> src, dst;
  for (auto* image : {&src, &dst}) {
    ASSERT_TRUE(image->resize(uint32_t(randomIn(rng, 1, 300)), uint32_t(randomIn(rng, 1, 200))));
    test::fillRandomTiles(*image, rng);
  }
  typename test::FlatOf<Bpp>::Image flat;
  test::copyToFlat(dst, flat);
  const int64_t sx = randomIn(rng, -100, 300), sy = randomIn(rng, -100, 200), w = randomIn(rng, 0, 400),
                h = randomIn(rng, 0, 300), dx = randomIn(rng, -300, 300), dy = randomIn(rng, -200, 200);
  ASSERT_TRUE(copyPixels(src, sx, sy, w, h, dst, dx, dy));
  for (int32_t y = 0; y < int32_t(dst.height()); ++y)
    for (int32_t x = 0; x < int32_t(dst.width()); ++x) {
      const int64_t fx = x - dx + sx, fy = y - dy + sy;
      const bool inside = fx >= sx && fx < sx + w && fy >= sy && fy < sy + h && fx >= 0 && fy >= 0 &&
                          fx < int64_t(src.width()) && fy < int64_t(src.height());
      ASSERT_EQ(uint32_t(dst.getPixel(x, y)),
                uint32_t(inside ? src.getPixel(int32_t(fx), int32_t(fy)) : flat.getPixel(x, y)))
          << "seed " << seed << " at " << x << ", " << y;
    }
  EXPECT_FALSE(copyPixels(dst, 0, 0, 10, 10, dst, 1, 1));
  // Clearing rectangles: the pixels inside become 0 and no tile is left all zero (the image
  // starts without all-zero tiles, dropped by dropZeroTiles).
  dropZeroTiles(dst);
  const std::vector<bool> none(size_t(dst.tileCount()), false);
  ASSERT_TRUE(test::noZeroTilesCreated(dst, none));
  test::copyToFlat(dst, flat);
  const int32_t dw = int32_t(dst.width()), dh = int32_t(dst.height());
  for (int round = 0; round < 12; ++round) {
    const Rect r(randomIn(rng, -80, dw), randomIn(rng, -80, dh), randomIn(rng, -5, dw + 100),
                 randomIn(rng, -5, dh + 100));
    clearPixels(dst, r);
    for (int32_t y = std::max(r.y, 0); y < std::min(r.y + r.height, dh); ++y)
      for (int32_t x = std::max(r.x, 0); x < std::min(r.x + r.width, dw); ++x) flat.setPixel(x, y, 0);
    ASSERT_TRUE(test::samePixels(dst, flat)) << seed << " " << round;
    ASSERT_TRUE(test::noZeroTilesCreated(dst, none)) << seed << " " << round;
  }
}

TEST(TiledCopyTest, CopyAndClearMatchPerPixelReferences) {
  for (uint32_t seed = 1; seed <= 6; ++seed) {
    copyAndClearMatchReferences<32>(seed);
    copyAndClearMatchReferences<8>(seed + 100);
    copyAndClearMatchReferences<1>(seed + 200);
  }
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

}  // namespace
}  // namespace kanvo
