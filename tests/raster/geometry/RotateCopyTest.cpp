// Rotated copies: exact at no turn and at a half turn, positions outside the source keep the
// destination, factors scale, bilinear samples are opaque and skip the last row and column,
// degenerate input is safe.
#include "raster/geometry/RotateCopy.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "support/RandomImage.h"

namespace kanvo {
namespace {

using test::fillRandom;

TEST(RotateCopy, NoTurnAndHalfTurnAreExact) {
  for (int w : {1, 2, 7, 64, 65})
    for (int h : {1, 3, 8, 33}) {
      Image32 src(w, h), dst(w, h);
      fillRandom(src, uint32_t(w * 100 + h));
      dst.fill(0);
      ASSERT_TRUE(rotateCopyWhole(dst, src, 0.0, 1.0, false, nullptr, w / 2, h / 2));
      EXPECT_TRUE(test::sameImage(src, dst)) << w << "x" << h;
      if (w % 2 == 0 || h % 2 == 0) continue;  // a half turn of an odd size mirrors both axes
      ASSERT_TRUE(rotateCopyWhole(dst, src, std::acos(-1.0), 1.0, false, nullptr, w / 2, h / 2));
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) ASSERT_EQ(dst.getPixel(x, y), src.getPixel(w - 1 - x, h - 1 - y));
    }
}

TEST(RotateCopy, OutsideKeepsTheDestinationAndFactorsScale) {
  Image32 src(10, 10), dst(20, 20);
  fillRandom(src, 5, false);
  dst.fill(0x12345678u);
  ASSERT_TRUE(rotateCopyWhole(dst, src, 0.0, 1.0, false, nullptr, 5, 5));  // (x, y) takes (x - 5, y - 5)
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 20; ++x) {
      const bool inside = x >= 5 && x < 15 && y >= 5 && y < 15;
      ASSERT_EQ(dst.getPixel(x, y), inside ? src.getPixel(x - 5, y - 5) : 0x12345678u);
    }
  const RotateFactors half{0.5, 0.5};  // each source pixel covers 2 x 2 around the centre
  dst.fill(0);
  ASSERT_TRUE(rotateCopyWhole(dst, src, 0.0, 1.0, false, &half, 5, 5));
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 20; ++x)
      ASSERT_EQ(dst.getPixel(x, y),
                src.getPixel(int(std::floor(5.5 + 0.5 * (x - 10))), int(std::floor(5.5 + 0.5 * (y - 10)))));
  // A rectangle (normalised, clipped) limits the pixels written; an empty one reports false.
  dst.fill(0);
  EXPECT_TRUE(rotateCopy(dst, src, 0.0, 1.0, false, nullptr, 12, 12, -4, -4, 5, 5));
  EXPECT_TRUE(dst.getPixel(7, 7) == 0u && dst.getPixel(8, 8) == src.getPixel(3, 3) &&
              dst.getPixel(12, 12) == 0u);
  EXPECT_FALSE(rotateCopy(dst, src, 0.0, 1.0, false, nullptr, 30, 0, 5, 5, 5, 5) ||
               rotateCopy(dst, src, 0.0, 1.0, false, nullptr, 0, 0, 0, 5, 5, 5));
}

TEST(RotateCopy, BilinearIsOpaqueAndSkipsTheLastRowAndColumn) {
  Image32 src(6, 5), dst(6, 5);
  fillRandom(src, 9);
  dst.fill(0x00ABCDEFu);
  ASSERT_TRUE(rotateCopyWhole(dst, src, 0.0, 1.0, true, nullptr, 3, 2));
  // Sample position (x + 0.5, y + 0.5): fractions 128, weights (127 x 127) >> 8 = 63, 63, 63 and 66.
  const int w[4] = {63, 63, 63, 66};
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 6; ++x) {
      Color32 expected = 0x00ABCDEFu;
      if (x < 5 && y < 4) {
        const Color32 q[4] = {src.getPixel(x, y), src.getPixel(x + 1, y), src.getPixel(x, y + 1),
                              src.getPixel(x + 1, y + 1)};
        expected = 0xFF000000u;
        for (int b = 0; b < 3; ++b) {
          int sum = 0;
          for (int k = 0; k < 4; ++k) sum += w[k] * byteOf(q[k], b);
          expected |= uint32_t(sum / 255) << (8 * b);
        }
      }
      EXPECT_EQ(dst.getPixel(x, y), expected) << x << "," << y;
    }
}

TEST(RotateCopy, DegenerateInputIsSafe) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  Image32 src(16, 16), dst(16, 16), empty, one(1, 1);
  fillRandom(src, 2);
  empty.releasePixels();
  for (bool bilinear : {false, true}) {
    for (double angle : {nan, 1e300, -0.3}) {
      rotateCopyWhole(dst, src, angle, 1.0, bilinear, nullptr, 8, 8);
      rotateCopyWhole(dst, src, 0.5, nan, bilinear, nullptr, 1e300, -1e300);
      const RotateFactors f{1e300, nan};
      rotateCopyWhole(dst, src, angle, 1e9, bilinear, &f, 8, 8);
    }
    rotateCopy(dst, src, 0.1, 1.0, bilinear, nullptr, INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX, 8, 8);
    EXPECT_FALSE(rotateCopyWhole(empty, src, 0.0, 1.0, bilinear, nullptr, 0, 0));
    EXPECT_TRUE(rotateCopyWhole(dst, empty, 0.0, 1.0, bilinear, nullptr, 0, 0));
    rotateCopyWhole(dst, one, 0.2, 1.0, bilinear, nullptr, 0, 0);
  }
}

}  // namespace
}  // namespace kanvo
