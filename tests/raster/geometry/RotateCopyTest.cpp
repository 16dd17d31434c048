// Rotated copies: nearest sampling at no turn and at a half turn against the mapping written out
// (factors, rectangles, positions outside the source), bilinear samples opaque and short of the
// last row and column, degenerate input.
#include "raster/geometry/RotateCopy.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "raster/image/Rect.h"
#include "support/RandomImages.h"

namespace kanvo {
namespace {

using test::fillRandom;

// Destination pixel (x, y) of the rectangle takes source pixel floor(centre + 0.5 + s f (x -
// width / 2)) on each axis, s = -1 for a half turn; positions outside the source keep the pixel.
void checkNearest(const Image32& src, int32_t dw, int32_t dh, bool halfTurn, double f, Rect r, double cx,
                  double cy) {
  const Color32 kept = 0x12345678u;
  Image32 dst(dw, dh);
  dst.fill(kept);
  const RotateFactors factors{f, f};
  const bool any = rotateCopy(dst, src, halfTurn ? std::acos(-1.0) : 0.0, 1.0, false, &factors, r.x, r.y,
                              r.width, r.height, cx, cy);
  ASSERT_EQ(any, clipToSizeNormalised(r, dw, dh));
  const double s = halfTurn ? -f : f;
  for (int32_t y = 0; y < dh; ++y)
    for (int32_t x = 0; x < dw; ++x) {
      const int32_t u = int32_t(std::floor(cx + 0.5 + s * (x - dw / 2))),
                    v = int32_t(std::floor(cy + 0.5 + s * (y - dh / 2)));
      const bool in = x >= r.x && x < r.x + r.width && y >= r.y && y < r.y + r.height && any;
      const bool inSource = u >= 0 && v >= 0 && u < src.width() && v < src.height();
      ASSERT_EQ(dst.getPixel(x, y), in && inSource ? src.getPixel(u, v) : kept)
          << dw << "x" << dh << " at " << x << "," << y << (halfTurn ? " turned" : "");
    }
}

TEST(RotateCopy, NearestSamplesFollowTheMapping) {
  for (int w : {1, 2, 7, 64, 65})
    for (int h : {1, 3, 8, 33}) {
      Image32 src(w, h);
      fillRandom(src, uint32_t(w * 100 + h));
      checkNearest(src, w, h, false, 1.0, Rect(0, 0, w, h), w / 2, h / 2);  // an exact copy
      if (w % 2 && h % 2) checkNearest(src, w, h, true, 1.0, Rect(0, 0, w, h), w / 2, h / 2);  // mirrored
    }
  Image32 src(10, 10);
  fillRandom(src, 5, false);
  checkNearest(src, 20, 20, false, 1.0, Rect(0, 0, 20, 20), 5, 5);    // partly outside the source
  checkNearest(src, 20, 20, false, 0.5, Rect(0, 0, 20, 20), 5, 5);    // each source pixel covers 2 x 2
  checkNearest(src, 20, 20, false, 1.0, Rect(12, 12, -4, -4), 5, 5);  // normalised and clipped
  checkNearest(src, 20, 20, false, 1.0, Rect(30, 0, 5, 5), 5, 5);     // empty after clipping
  checkNearest(src, 20, 20, false, 1.0, Rect(0, 0, 0, 5), 5, 5);
}

TEST(RotateCopy, BilinearIsOpaqueAndSkipsTheLastRowAndColumn) {
  Image32 src(6, 5), dst(6, 5);
  fillRandom(src, 9);
  dst.fill(0x00ABCDEFu);
  ASSERT_TRUE(rotateCopyWhole(dst, src, 0.0, 1.0, true, nullptr, 3, 2));
  // Sample position (x + 0.5, y + 0.5): fractions 128 each way, the blend checked below.
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 6; ++x) {
      const Color32 expected =
          x < 5 && y < 4 ? rotate_detail::bilinearOpaque(src.getPixel(x, y), src.getPixel(x + 1, y),
                                                         src.getPixel(x, y + 1), src.getPixel(x + 1, y + 1), 128, 128)
                         : 0x00ABCDEFu;
      EXPECT_EQ(dst.getPixel(x, y), expected) << x << "," << y;
    }
}

// The blend of four pixels, bytes side by side in one word, against the byte-by-byte sums at
// every pair of fractions.
TEST(RotateCopy, BilinearBlendEqualsThePerByteSums) {
  const Color32 quads[][4] = {{0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu},
                              {0x00FF00FFu, 0xFF00FF00u, 0x7F807F80u, 0x01FE01FEu},
                              {0x12345678u, 0x9ABCDEF0u, 0x0F1E2D3Cu, 0xC3B2A190u}};
  for (const auto& q : quads)
    for (int fx = 0; fx < 256; ++fx)
      for (int fy = 0; fy < 256; ++fy) {
        const int w[4] = {(255 - fx) * (255 - fy) >> 8, fx * (255 - fy) >> 8, (255 - fx) * fy >> 8, 0};
        Color32 expected = 0xFF000000u;
        for (int b = 0; b < 3; ++b) {
          int sum = (255 - w[0] - w[1] - w[2]) * byteOf(q[3], b);
          for (int k = 0; k < 3; ++k) sum += w[k] * byteOf(q[k], b);
          expected |= uint32_t(sum / 255) << (8 * b);
        }
        ASSERT_EQ(rotate_detail::bilinearOpaque(q[0], q[1], q[2], q[3], fx, fy), expected) << fx << " " << fy;
      }
}

TEST(RotateCopy, DegenerateInputIsSafe) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  Image32 src(16, 16), dst(16, 16), empty, one(1, 1);
  fillRandom(src, 2);
  empty.releasePixels();
  const RotateFactors huge{1e300, nan};
  for (bool bilinear : {false, true}) {
    for (double angle : {nan, 1e300, -0.3}) {
      rotateCopyWhole(dst, src, angle, 1.0, bilinear, nullptr, 8, 8);
      rotateCopyWhole(dst, src, 0.5, nan, bilinear, nullptr, 1e300, -1e300);
      rotateCopyWhole(dst, src, angle, 1e9, bilinear, &huge, 8, 8);
    }
    rotateCopy(dst, src, 0.1, 1.0, bilinear, nullptr, INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX, 8, 8);
    EXPECT_FALSE(rotateCopyWhole(empty, src, 0.0, 1.0, bilinear, nullptr, 0, 0));
    EXPECT_TRUE(rotateCopyWhole(dst, empty, 0.0, 1.0, bilinear, nullptr, 0, 0));
    rotateCopyWhole(dst, one, 0.2, 1.0, bilinear, nullptr, 0, 0);
  }
}

}  // namespace
}  // namespace kanvo
