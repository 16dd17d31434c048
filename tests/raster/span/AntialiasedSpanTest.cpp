// The anti-aliased span: end weights, the one-pixel run, clamping at the row ends.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "raster/pixel/PixelOps.h"
#include "raster/span/SpanOps.h"
#include "support/SpanRows.h"

namespace kanvo {
namespace {

std::vector<uint8_t> run8(double xa, double xb, int opacity = 255, int width = 10, bool* drawn = nullptr) {
  SpanParams p;
  p.paint = 255;
  p.opacity = uint8_t(opacity);
  std::vector<uint8_t> row(size_t(width), 0);
  bool r = antialiasedSpan8(p, row.data(), width, xa, xb);
  if (drawn) *drawn = r;
  return row;
}

TEST(AntialiasedSpan8, EndWeights) {
  // Pixel 2: 255 - int(0.25 x 255) = 192; pixel 5: int(0.5 x 255) = 127.
  EXPECT_EQ(run8(2.25, 5.5), (std::vector<uint8_t>{0, 0, 192, 255, 255, 127, 0, 0, 0, 0}));
  EXPECT_EQ(run8(5.5, 2.25), run8(2.25, 5.5));
  // Opacity 128: 192 x 128 / 255 = 96, 128, 127 x 128 / 255 = 63.
  EXPECT_EQ(run8(2.25, 5.5, 128), (std::vector<uint8_t>{0, 0, 96, 128, 128, 63, 0, 0, 0, 0}));
  // Within one pixel: int(0.5 x 255) = 127.
  EXPECT_EQ(run8(3.25, 3.75), (std::vector<uint8_t>{0, 0, 0, 127, 0, 0, 0, 0, 0, 0}));
  // Left of the row: pixel 0 is covered fully; right of the row: the last pixel fully.
  EXPECT_EQ(run8(-0.5, 1.5), (std::vector<uint8_t>{255, 127, 0, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(run8(-0.5, 0.5), (std::vector<uint8_t>{127, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(run8(-7.0, 0.5), (std::vector<uint8_t>{127, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(run8(8.5, 12.0), (std::vector<uint8_t>{0, 0, 0, 0, 0, 0, 0, 0, 128, 255}));
  EXPECT_EQ(run8(9.5, 1e300), (std::vector<uint8_t>{0, 0, 0, 0, 0, 0, 0, 0, 0, 128}));
  bool drawn = true;
  EXPECT_EQ(run8(-3.0, -0.1, 255, 10, &drawn), std::vector<uint8_t>(10, 0));
  EXPECT_FALSE(drawn);
  run8(10.0, 20.0, 255, 10, &drawn);
  EXPECT_FALSE(drawn);
  run8(std::nan(""), 3.0, 255, 10, &drawn);
  EXPECT_FALSE(drawn);
  run8(-std::numeric_limits<double>::infinity(), std::numeric_limits<double>::infinity(), 255, 10, &drawn);
  EXPECT_TRUE(drawn);
  EXPECT_EQ(run8(-1e308, 1e308), std::vector<uint8_t>(10, 255));
  SpanParams p;
  EXPECT_FALSE(antialiasedSpan8(p, nullptr, 10, 1, 2));
  EXPECT_FALSE(antialiasedSpan8(p, run8(0, 0).data(), 0, 0, 2));
}

TEST(AntialiasedSpan32, OpaquePixelsBlendOthersComposite) {
  SpanParams p;
  p.paint = makeColor(255, 255, 255, 255);
  p.opacity = 255;
  std::vector<Color32> px = {makeColor(0, 0, 0, 255), makeColor(0, 0, 0, 255), makeColor(0, 0, 0, 0),
                             makeColor(0, 0, 0, 100)};
  std::vector<uint8_t> row = test::toBytes(px);
  EXPECT_TRUE(antialiasedSpan32(p, row.data(), 4, 0.5, 3.5));
  std::vector<Color32> want = px;
  blendRgb(want[0], p.paint, 128);  // 255 - int(127.5)
  blendRgb(want[1], p.paint, 255);
  over(want[2], p.paint, 255);
  over(want[3], p.paint, 127);
  EXPECT_EQ(test::toPixels(row), want);
  EXPECT_EQ(want[0], makeColor(128, 128, 128, 255));  // (255 x 129) >> 8

  // A run inside one opaque pixel takes over: weight int(0.5 x 255) = 127.
  px = {makeColor(0, 0, 0, 255)};
  row = test::toBytes(px);
  antialiasedSpan32(p, row.data(), 1, 0.25, 0.75);
  over(px[0], p.paint, 127);
  EXPECT_EQ(test::toPixels(row), px);
}

}  // namespace
}  // namespace kanvo
