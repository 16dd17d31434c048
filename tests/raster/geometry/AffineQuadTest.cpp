// Affine quad mapping: axis-aligned draws of every depth against the nearest source sample
// painted pixel by pixel, the bilinear samples, the edge crossings, rows meeting a vertex only,
// degenerate input.
#include "raster/geometry/AffineQuad.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "support/TiledImages.h"

namespace kanvo {
namespace {

// Draws source rectangle (sx, sy, 24, 20) scaled by s (1 or 2) with its top-left corner at
// (left, top), left possibly between pixels, over a random destination, and checks every pixel: the nearest
// source pixel, as a colour (32 bpp) or as the alpha of params.colour (8 bpp value, 1 bpp 0 or 255), painted
// with paintPixel at the opacity, except that an opaque pixel whose weight is 0 stays.
template <int Bpp>
void checkAxisAlignedDraw(uint32_t seed, int s, double left, int top, int opacity) {
  std::mt19937 rng(seed);
  TiledImage<Bpp> src;
  ASSERT_TRUE(src.resize(130, 90));
  for (int y = 0; y < 90; ++y)  // random pixels, tile (1, 0) absent
    for (int x = 0; x < 130; ++x)
      if (x / 64 != 1 || y >= 64) src.setPixel(x, y, test::randomValue<Bpp>(rng));
  Image32 dst(60, 50), before(60, 50);
  for (int y = 0; y < 50; ++y)
    for (int x = 0; x < 60; ++x)
      before.setPixel(x, y, rng() % 2 ? 0xFF000000u | rng() : test::randomValue<32>(rng));
  dst.assign(before);
  QuadParams params;
  params.colour = 0x40112233u;
  params.opacity = uint8_t(opacity);
  const int sx = 50, sy = 40;
  drawTransformed(dst, left + 12.0 * s, top + 10.0 * s, 0.0, s, s, src, sx, sy, 24, 20, params);
  for (int y = 0; y < 50; ++y)
    for (int x = 0; x < 60; ++x) {
      Image32 want(1, 1);
      want.setPixel(0, 0, before.getPixel(x, y));
      if (x >= int(std::max(left, 0.0)) && x < int(left + 24 * s) && y >= top && y < top + 20 * s) {
        const uint32_t v = src.getPixel(sx + int(std::floor((x + 0.5 - left) / s)), sy + (y - top) / s);
        const Color32 c = Bpp == 32 ? v : (params.colour & 0xFFFFFFu) | (Bpp == 8 ? v : v * 255) << 24;
        if (alphaOf(want.getPixel(0, 0)) < 255 || alphaOf(c) * opacity / 255 != 0)
          want.paintPixel(0, 0, c, opacity);
      }
      ASSERT_EQ(dst.getPixel(x, y), want.getPixel(0, 0)) << Bpp << " bpp at " << x << "," << y;
    }
}

TEST(AffineQuad, AxisAlignedDrawsPaintTheNearestSample) {
  for (int opacity : {255, 200, 1}) {
    checkAxisAlignedDraw<32>(1, 1, 5, 7, opacity);
    checkAxisAlignedDraw<32>(2, 2, 3.25, 2, opacity);
    checkAxisAlignedDraw<32>(3, 1, -10, 0, opacity);   // partly left of the destination
    checkAxisAlignedDraw<8>(4, 1, 40.5, 35, opacity);  // partly beyond its right and bottom
    checkAxisAlignedDraw<8>(5, 2, 0, 0, opacity);
    checkAxisAlignedDraw<1>(6, 1, 9, 9, opacity);
    checkAxisAlignedDraw<1>(7, 2, -5, -3, opacity);
  }
}

TEST(AffineQuad, BilinearSamples) {
  TiledImage<32> src;
  ASSERT_TRUE(src.resize(8, 8));
  src.setPixel(2, 2, 0xFF0000FFu);
  src.setPixel(3, 2, 0x80FF0000u);
  src.setPixel(2, 3, 0xFF00FF00u);
  // (2.25, 2.5): weights 95, 31, 95 and 34 (on a transparent pixel); A = 95 x 255 x 2 + 31 x 128.
  const int A = 95 * 255 * 2 + 31 * 128;
  EXPECT_EQ(sampleTiledBilinear(src, 2 * 65536 + 16384, 2 * 65536 + 32768),
            makeColor(255 * 95 * 255 / A, 255 * 95 * 255 / A, 255 * 31 * 128 / A, A / 255));
  EXPECT_EQ(sampleTiledBilinear(src, -65536 * 3, 0), 0u);  // outside reads as transparent
  EXPECT_EQ(sampleTiledBilinear(TiledImage<32>(), 0, 0), 0u);
  // 8 bpp: samples a quarter pixel right of and half a pixel below the pixel centres of a ramp.
  TiledImage<8> ramp;
  ASSERT_TRUE(ramp.resize(10, 10));
  auto g = [](int x, int y) { return 25 * x + 2 * y; };
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 10; ++x) ramp.setPixel(x, y, uint8_t(g(x, y)));
  QuadParams params;
  params.bilinear = 1;
  Image32 c(10, 10);
  c.fill(0);
  MappedQuad q;
  for (auto [x, y] : {std::pair{0, 0}, {10, 0}, {10, 10}, {0, 10}}) q.addVertex(x, y, x + 0.25, y + 0.5);
  mapQuad(c, ramp, q, params);
  for (int x = 0; x < 9; ++x)
    EXPECT_EQ(alphaOf(c.getPixel(x, 4)),
              (95 * g(x, 4) + 31 * g(x + 1, 4) + 95 * g(x, 5) + 34 * g(x + 1, 5)) / 255)
        << x;
  // A uniform opaque source drawn turned and enlarged is that colour inside.
  TiledImage<32> uniform;
  ASSERT_TRUE(uniform.resize(20, 20));
  ASSERT_TRUE(uniform.fillRect(test::fillWith(0xFF405060u), 0, 0, 20, 20));
  Image32 out(40, 40);
  out.fill(0);
  drawTransformed(out, 20.0, 20.0, 0.4, 1.5, 1.5, uniform, params);
  EXPECT_EQ(out.getPixel(20, 20), 0xFF405060u);
}

TEST(AffineQuad, EdgesAndRowsMeetingOnlyAVertex) {
  MappedQuad q;  // four vertices at most; edge 3 closes the square
  for (auto [x, y] : {std::pair{0, 0}, {10, 0}, {10, 10}, {0, 10}})
    EXPECT_TRUE(q.addVertex(x, y, x + 10, y + 20));
  EXPECT_FALSE(q.addVertex(5, 5, 0, 0));
  EdgeSample s;
  EXPECT_FALSE(edgeAt(q, 0, 0.0, s) || edgeAt(q, 1, 9.999, s) || edgeAt(q, 4, 4.5, s));  // horizontal
  ASSERT_TRUE(edgeAt(q, 3, 4.5, s));
  EXPECT_TRUE(s.x == 0.0 && s.u == 10.0);
  EXPECT_DOUBLE_EQ(s.v, 20 + 4.5 + kScanOffset);
  MappedQuad t;                               // the line meeting a vertex exactly takes that vertex's values
  t.addVertex(0.9, kScanOffset + 2, 0.9, 8);  // the lower end of edge 0, where 0.3 + 0.6 is not 0.9
  t.addVertex(0.3, -5, 0.3, 1);
  t.addVertex(-4, 9, 1, 1);
  ASSERT_TRUE(edgeAt(t, 0, 2.0, s));
  EXPECT_TRUE(s.x == 0.9 && s.u == 0.9);
  // A diamond whose top vertex sits on row 5's sample line: that row has one crossing only.
  TiledImage<32> src;
  ASSERT_TRUE(src.resize(64, 64));
  ASSERT_TRUE(src.fillRect(test::fillWith(0xFF123456u), 0, 0, 64, 64));
  MappedQuad d;
  for (auto [x, y] : {std::pair{20.0, 5.5 + kScanOffset}, {30.0, 15.0}, {20.0, 25.0}, {10.0, 15.0}})
    d.addVertex(x, y, 0, 0);
  Image32 img(40, 40);
  img.fill(0);
  mapQuad(img, src, d, QuadParams());
  for (int x = 0; x < 40; ++x) EXPECT_EQ(img.getPixel(x, 5), 0u);
  EXPECT_EQ(img.getPixel(20, 15), 0xFF123456u);
}

TEST(AffineQuad, DegenerateInputIsSafe) {
  const double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
  std::mt19937 rng(1);
  TiledImage<32> src, empty;
  ASSERT_TRUE(src.resize(100, 100));
  test::fillRandomTiles(src, rng);
  Image32 dst(50, 50), none;
  none.releasePixels();
  QuadParams params;
  for (uint8_t bilinear : {0, 1}) {
    params.bilinear = bilinear;
    drawTransformed(dst, nan, 0, 0, 1, 1, src, params);
    drawTransformed(dst, 25, 25, inf, 1, 1, src, params);
    drawTransformed(dst, 25, 25, 0.3, 1e300, -1e300, src, params);
    drawTransformed(dst, 25, 25, 0.3, 1e-300, 1e-300, src, params);
    drawTransformed(dst, 25, 25, 0.3, 1, 1, src, -50, -50, 1000, 1000, params);
    drawTransformed(dst, 25, 25, 0.3, 1, 1, src, INT32_MAX, INT32_MIN, INT32_MAX, INT32_MAX, params);
    drawTransformed(dst, 25, 25, 0.3, 1, 1, empty, params);
    drawTransformed(none, 25, 25, 0.3, 1, 1, src, params);
    MappedQuad q;
    q.addVertex(0, 0, 0, 0);
    q.addVertex(10, 10, 1e300, -1e300);
    mapQuad(dst, src, q, params);  // two vertices: nothing
    q.addVertex(-3e9, 3e9, nan, 0);
    mapQuad(dst, src, q, params);
  }
}

}  // namespace
}  // namespace kanvo
