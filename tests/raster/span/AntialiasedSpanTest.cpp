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

TEST(AntialiasedSpan8, EndWeightsAndClamping) {
  const double inf = std::numeric_limits<double>::infinity();
  using Row = std::vector<uint8_t>;
  const struct {
    double xa, xb;
    int opacity;
    bool drawn;
    Row want;
  } cases[] = {
      // Pixel 2: 255 - int(0.25 x 255) = 192; pixel 5: int(0.5 x 255) = 127. (Order and clamping:
      // the polygon filler checks this span against its coverage runs for any ends.)
      {2.25, 5.5, 255, true, {0, 0, 192, 255, 255, 127, 0, 0, 0, 0}},
      {2.25, 5.5, 128, true, {0, 0, 96, 128, 128, 63, 0, 0, 0, 0}},  // 192 x 128 / 255 = 96
      {3.25, 3.75, 255, true, {0, 0, 0, 127, 0, 0, 0, 0, 0, 0}},     // within one pixel
      {9.5, 1e300, 255, true, {0, 0, 0, 0, 0, 0, 0, 0, 0, 128}},
      {-1e308, 1e308, 255, true, Row(10, 255)},
      {-inf, inf, 255, true, Row(10, 255)},
      {std::nan(""), 3.0, 255, false, Row(10, 0)},
  };
  for (const auto& c : cases) {
    SpanParams p;
    p.paint = 0x3300FF;  // the low byte is the value
    p.opacity = uint8_t(c.opacity);
    Row row(10, 0);
    EXPECT_EQ(antialiasedSpan8(p, row.data(), 10, c.xa, c.xb), c.drawn) << c.xa << " " << c.xb;
    EXPECT_EQ(row, c.want) << c.xa << " " << c.xb;
  }
  SpanParams p;
  Row row(10, 0);
  EXPECT_FALSE(antialiasedSpan8(p, nullptr, 10, 1, 2));
  EXPECT_FALSE(antialiasedSpan8(p, row.data(), 0, 0, 2));
}

TEST(AntialiasedSpan32, OpaquePixelsBlendOthersComposite) {
  SpanParams p;
  p.paint = makeColor(255, 255, 255, 255);
  p.opacity = 255;
  const std::vector<Color32> px = {makeColor(0, 0, 0, 255), makeColor(0, 0, 0, 255), makeColor(0, 0, 0, 0),
                                   makeColor(0, 0, 0, 100)};
  std::vector<Color32> row = px;
  EXPECT_TRUE(antialiasedSpan32(p, reinterpret_cast<uint8_t*>(row.data()), 4, 0.5, 3.5));
  const std::vector<Color32> want = {test::applied(blendRgb, px[0], p.paint, 128),  // 255 - int(127.5)
                                     test::applied(blendRgb, px[1], p.paint, 255),
                                     test::applied(over, px[2], p.paint, 255),
                                     test::applied(over, px[3], p.paint, 127)};
  EXPECT_EQ(row, want);
  // A run inside one opaque pixel takes over: weight int(0.5 x 255) = 127.
  Color32 one = px[0];
  antialiasedSpan32(p, reinterpret_cast<uint8_t*>(&one), 1, 0.25, 0.75);
  EXPECT_EQ(one, test::applied(over, px[0], p.paint, 127));
}

}  // namespace
}  // namespace kanvo
