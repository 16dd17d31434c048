// What Image8 adds to the plain buffer rules: the pixel blends, the 2 x 2 mean, the
// anti-aliased row and moves.
#include "raster/image/Image8.h"

#include <gtest/gtest.h>

#include <random>
#include <utility>

#include "raster/pixel/PixelOps.h"
#include "support/RandomImages.h"

namespace kanvo {
namespace {

TEST(Image8, BlendAndMixPixel) {
  Image8 image(1, 1);
  for (int old = 0; old < 256; old += 5)
    for (int value = 0; value < 256; value += 7)
      for (int alpha = 0; alpha < 256; ++alpha) {
        image.setPixel(0, 0, uint8_t(old));
        image.blendPixel(0, 0, uint8_t(value), alpha);
        ASSERT_EQ(image.getPixel(0, 0), alpha > 254 ? value : ((255 - alpha) * old + value * alpha) / 255);
        image.setPixel(0, 0, uint8_t(old));
        image.mixPixel(0, 0, uint8_t(value), alpha);
        uint8_t m = uint8_t(old);
        mix8(m, value, alpha);
        ASSERT_EQ(image.getPixel(0, 0), m) << old << " " << value << " " << alpha;
      }
}

TEST(Image8, Downsample2x2CountsBytesOutsideAsZero) {
  Image8 image(3, 2);
  std::mt19937 rng(2);
  test::fillRandomBytes(image, rng);
  for (int32_t y = -1; y < 3; ++y)
    for (int32_t x = -1; x < 4; ++x)
      ASSERT_EQ(image.downsample2x2(x, y), mean8x2x2(image.getPixel(x, y), image.getPixel(x + 1, y),
                                                     image.getPixel(x, y + 1), image.getPixel(x + 1, y + 1)));
}

TEST(Image8, DrawSpanPaintsExactlyTheAntialiasedRow) {
  Image8 image(6, 3);
  image.fill(10);
  SpanParams params;
  params.paint = 250;
  params.opacity = 180;
  EXPECT_FALSE(image.drawSpan(params, 3, 0.0, 5.0));
  EXPECT_FALSE(image.drawSpan(params, -1, 0.0, 5.0));
  EXPECT_TRUE(image.isAll(10));
  uint8_t row[6] = {10, 10, 10, 10, 10, 10};
  ASSERT_TRUE(antialiasedSpan8(params, row, 6, 1.5, 4.75));
  EXPECT_TRUE(image.drawSpan(params, 1, 1.5, 4.75));
  for (int32_t x = 0; x < 6; ++x) EXPECT_TRUE(image.getPixel(x, 1) == row[x] && image.getPixel(x, 0) == 10);
}

TEST(Image8, MovesHandOverThePixels) {
  Image8 image(7, 3);
  image.fill(9);
  image.setPixel(6, 2, 200);
  Image8 moved(std::move(image));
  EXPECT_EQ(moved.getPixel(6, 2), 200);
  EXPECT_FALSE(image.hasPixels());
  EXPECT_EQ(image.getPixel(0, 0), 0);
  Image8 target(2, 2);
  target = std::move(moved);
  EXPECT_EQ(target.width(), 7);
  EXPECT_EQ(target.getPixel(6, 2), 200);
  EXPECT_FALSE(target.isAll(9));
  EXPECT_FALSE(target.isUniform());
}

}  // namespace
}  // namespace kanvo
