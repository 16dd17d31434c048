#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "raster/geometry/RotateCopy.h"
#include "support/RandomImage.h"

using namespace kanvo;
using kanvo::test::fillRandom;
using kanvo::test::sameImage;

TEST(RotateCopy, IdentityAndHalfTurnAreExact) {
  for (int w : {1, 2, 7, 64, 65}) {
    for (int h : {1, 3, 8, 33}) {
      Image32 src(w, h), dst(w, h);
      fillRandom(src, uint32_t(w * 100 + h));
      dst.fill(0);
      ASSERT_TRUE(rotateCopyWhole(dst, src, 0.0, 1.0, false, nullptr, w / 2, h / 2));
      EXPECT_TRUE(sameImage(src, dst)) << w << "x" << h;
      // A half turn of an odd-sized image mirrors both axes.
      if (w % 2 == 1 && h % 2 == 1) {
        ASSERT_TRUE(rotateCopyWhole(dst, src, std::acos(-1.0), 1.0, false, nullptr, w / 2, h / 2));
        for (int y = 0; y < h; ++y)
          for (int x = 0; x < w; ++x) ASSERT_EQ(dst.getPixel(x, y), src.getPixel(w - 1 - x, h - 1 - y));
      }
    }
  }
}

TEST(RotateCopy, OutsideKeepsValueAndFactorsScale) {
  Image32 src(10, 10), dst(20, 20);
  fillRandom(src, 5, false);
  dst.fill(0x12345678u);
  ASSERT_TRUE(rotateCopyWhole(dst, src, 0.0, 1.0, false, nullptr, 5, 5));
  // Destination (x, y) takes source (x - 5, y - 5).
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 20; ++x) {
      bool inside = x >= 5 && x < 15 && y >= 5 && y < 15;
      ASSERT_EQ(dst.getPixel(x, y), inside ? src.getPixel(x - 5, y - 5) : 0x12345678u);
    }
  // Factors 0.5: each source pixel covers 2 x 2 destination pixels around the centre.
  RotateFactors half{0.5, 0.5};
  dst.fill(0);
  ASSERT_TRUE(rotateCopyWhole(dst, src, 0.0, 1.0, false, &half, 5, 5));
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 20; ++x) {
      int sx = int(std::floor(5.5 + 0.5 * (x - 10))), sy = int(std::floor(5.5 + 0.5 * (y - 10)));
      ASSERT_EQ(dst.getPixel(x, y), src.getPixel(sx, sy)) << x << "," << y;
    }
  // A rectangle limits the pixels written; an empty one reports false.
  dst.fill(0);
  EXPECT_TRUE(rotateCopy(dst, src, 0.0, 1.0, false, nullptr, 12, 12, -4, -4, 5, 5));
  EXPECT_EQ(dst.getPixel(7, 7), 0u);
  EXPECT_EQ(dst.getPixel(8, 8), src.getPixel(3, 3));
  EXPECT_EQ(dst.getPixel(12, 12), 0u);
  EXPECT_FALSE(rotateCopy(dst, src, 0.0, 1.0, false, nullptr, 30, 0, 5, 5, 5, 5));
  EXPECT_FALSE(rotateCopy(dst, src, 0.0, 1.0, false, nullptr, 0, 0, 0, 5, 5, 5));
}

TEST(RotateCopy, BilinearIsOpaqueAndSkipsTheLastRowAndColumn) {
  Image32 src(6, 5), dst(6, 5);
  fillRandom(src, 9);
  dst.fill(0x00ABCDEFu);
  ASSERT_TRUE(rotateCopyWhole(dst, src, 0.0, 1.0, true, nullptr, 3, 2));
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 6; ++x) {
      Color32 p = dst.getPixel(x, y);
      if (x == 5 || y == 4) {
        EXPECT_EQ(p, 0x00ABCDEFu);
        continue;
      }
      // Sample position (x + 0.5, y + 0.5): fractions 128, weights 63, 64, 64, 64.
      const int w00 = (127 * 127) >> 8, w10 = (128 * 127) >> 8, w01 = (127 * 128) >> 8;
      const int w11 = 255 - w00 - w10 - w01;
      Color32 q[4] = {src.getPixel(x, y), src.getPixel(x + 1, y), src.getPixel(x, y + 1), src.getPixel(x + 1, y + 1)};
      Color32 expected = 0xFF000000u;
      for (int b = 0; b < 3; ++b)
        expected |= uint32_t((w00 * byteOf(q[0], b) + w10 * byteOf(q[1], b) + w01 * byteOf(q[2], b) +
                              w11 * byteOf(q[3], b)) / 255) << (8 * b);
      EXPECT_EQ(p, expected) << x << "," << y;
    }
}

TEST(RotateCopy, DegenerateInputIsSafe) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  Image32 src(16, 16), dst(16, 16), empty;
  fillRandom(src, 2);
  empty.releasePixels();
  for (bool bilinear : {false, true}) {
    for (double angle : {nan, 1e300, -0.3}) {
      rotateCopyWhole(dst, src, angle, 1.0, bilinear, nullptr, 8, 8);
      rotateCopyWhole(dst, src, 0.5, nan, bilinear, nullptr, 1e300, -1e300);
      RotateFactors f{1e300, nan};
      rotateCopyWhole(dst, src, angle, 1e9, bilinear, &f, 8, 8);
    }
    rotateCopy(dst, src, 0.1, 1.0, bilinear, nullptr, INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX, 8, 8);
    EXPECT_FALSE(rotateCopyWhole(empty, src, 0.0, 1.0, bilinear, nullptr, 0, 0));
    EXPECT_TRUE(rotateCopyWhole(dst, empty, 0.0, 1.0, bilinear, nullptr, 0, 0));
    Image32 one(1, 1);
    one.fill(0xFF00FF00u);
    rotateCopyWhole(dst, one, 0.2, 1.0, bilinear, nullptr, 0, 0);
  }
}
