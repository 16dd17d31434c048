#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "raster/geometry/AffineQuad.h"
#include "raster/pixel/PixelOps.h"
#include "support/RandomImage.h"

using namespace kanvo;

namespace {

// Random pixels over the tiled image except one 64 x 64 tile left absent.
void fillTiled32(TiledImage<32>& img, uint32_t seed) {
  std::mt19937 rng(seed);
  for (uint32_t y = 0; y < img.height(); ++y)
    for (uint32_t x = 0; x < img.width(); ++x) {
      if (x >= 64 && x < 128 && y < 64) continue;
      uint32_t c = rng();
      if (rng() % 3) c |= 0xFF000000u;
      img.setPixel(int32_t(x), int32_t(y), c);
    }
}

}  // namespace

TEST(AffineQuad, VerticesEdgesAndCrossings) {
  MappedQuad q;
  EXPECT_TRUE(q.addVertex(0, 0, 10, 20));
  EXPECT_TRUE(q.addVertex(10, 0, 20, 20));
  EXPECT_TRUE(q.addVertex(10, 10, 20, 30));
  EXPECT_TRUE(q.addVertex(0, 10, 10, 30));
  EXPECT_FALSE(q.addVertex(5, 5, 0, 0));
  EXPECT_EQ(q.count, 4);
  EXPECT_EQ(q.edgeCount, 4);
  EXPECT_EQ(q.edges[3][0], 3);
  EXPECT_EQ(q.edges[3][1], 0);
  EdgeSample s;
  EXPECT_FALSE(edgeAt(q, 0, 0.0, s));  // horizontal
  ASSERT_TRUE(edgeAt(q, 1, 4.5, s));
  EXPECT_EQ(s.x, 10.0);
  EXPECT_EQ(s.u, 20.0);
  EXPECT_DOUBLE_EQ(s.v, 20 + 10 * ((4.5 + kScanOffset) / 10));
  EXPECT_FALSE(edgeAt(q, 1, 9.999, s));
  EXPECT_FALSE(edgeAt(q, 4, 4.5, s));
  // The line meeting a vertex exactly takes that vertex's values.
  MappedQuad t;
  t.addVertex(0, kScanOffset + 2, 7, 8);
  t.addVertex(4, 9, 1, 1);
  t.addVertex(-4, 9, 1, 1);
  ASSERT_TRUE(edgeAt(t, 0, 2.0, s));
  EXPECT_EQ(s.x, 0.0);
  EXPECT_EQ(s.u, 7.0);
  q.clear();
  EXPECT_EQ(q.count, 0);
}

TEST(AffineQuad, IdentityCopiesTheRectanglePixelForPixel) {
  TiledImage<32> src;
  ASSERT_TRUE(src.resize(200, 150));
  fillTiled32(src, 3);
  Image32 dst(90, 70);
  dst.fill(0);
  QuadParams params;
  // Source rectangle (40, 30, 90, 70) centred on the destination's centre.
  drawTransformed(dst, 45.0, 35.0, 0.0, 1.0, 1.0, src, 40, 30, 90, 70, params);
  for (int y = 0; y < 70; ++y)
    for (int x = 0; x < 90; ++x) ASSERT_EQ(dst.getPixel(x, y), src.getPixel(x + 40, y + 30)) << x << "," << y;
  // Over an opaque destination, transparent source pixels (and the absent tile) change nothing.
  dst.fill(0xFFFFFFFFu);
  drawTransformed(dst, 45.0, 35.0, 0.0, 1.0, 1.0, src, 40, 30, 90, 70, params);
  int untouched = 0;
  for (int y = 0; y < 70; ++y)
    for (int x = 0; x < 90; ++x) {
      Color32 s = src.getPixel(x + 40, y + 30);
      Image32 ref(1, 1);
      ref.fill(0xFFFFFFFFu);
      ref.paintPixel(0, 0, s, 255);
      if (alphaOf(s) == 0) {
        ASSERT_EQ(dst.getPixel(x, y), 0xFFFFFFFFu);
        ++untouched;
      } else {
        ASSERT_EQ(dst.getPixel(x, y), ref.getPixel(0, 0));
      }
    }
  EXPECT_GT(untouched, 64 * 34);
}

TEST(AffineQuad, PartlyLeftOfTheDestinationAndVertexOnlyRows) {
  TiledImage<32> src;
  ASSERT_TRUE(src.resize(64, 64));
  fillTiled32(src, 4);
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x) src.setPixel(x, y, src.getPixel(x, y) | 0xFF000000u);
  Image32 dst(40, 40);
  dst.fill(0);
  QuadParams params;
  drawTransformed(dst, 10.0, 20.0, 0.0, 1.0, 1.0, src, 0, 0, 40, 40, params);  // x from -10
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 30; ++x) ASSERT_EQ(dst.getPixel(x, y), src.getPixel(x + 10, y)) << x << "," << y;
  EXPECT_EQ(dst.getPixel(30, 5), 0u);

  // A diamond whose top vertex sits on row 5's sample line: that row has one crossing and stays
  // unchanged.
  MappedQuad d;
  d.addVertex(20, 5.5 + kScanOffset, 0, 0);
  d.addVertex(30, 15, 0, 0);
  d.addVertex(20, 25, 0, 0);
  d.addVertex(10, 15, 0, 0);
  Image32 img(40, 40);
  img.fill(0);
  mapQuad(img, src, d, params);
  for (int x = 0; x < 40; ++x) EXPECT_EQ(img.getPixel(x, 5), 0u);
  EXPECT_NE(img.getPixel(20, 15), 0u);
}

TEST(AffineQuad, BilinearSampleAndScaledDrawing) {
  TiledImage<32> src;
  ASSERT_TRUE(src.resize(8, 8));
  src.setPixel(2, 2, 0xFF0000FFu);
  src.setPixel(3, 2, 0x80FF0000u);
  // (U, V) = (2.25, 2.0): weights for fx = 64, fy = 0; (3, 3) and (2, 3) are transparent.
  Color32 c = sampleTiledBilinear(src, 2 * 65536 + 16384, 2 * 65536);
  int w00 = 191 * 255 / 255, w10 = 64 * 255 / 255;
  int A = w00 * 255 + w10 * 128;
  Color32 expected = makeColor((255 * w00 * 255) / A, 0, (255 * w10 * 128) / A, A / 255);
  EXPECT_EQ(c, expected);
  // Pixels outside the tile grid read as transparent.
  EXPECT_EQ(sampleTiledBilinear(src, -65536 * 3, 0), 0u);
  Color32 edge = sampleTiledBilinear(TiledImage<32>(), 0, 0);
  EXPECT_EQ(edge, 0u);

  // Doubling: each source pixel covers a 2 x 2 block with nearest sampling.
  TiledImage<32> pattern;
  ASSERT_TRUE(pattern.resize(16, 16));
  fillTiled32(pattern, 8);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) pattern.setPixel(x, y, pattern.getPixel(x, y) | 0xFF000000u);
  Image32 big(32, 32);
  big.fill(0);
  QuadParams params;
  drawTransformed(big, 16.0, 16.0, 0.0, 2.0, 2.0, pattern, params);
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) ASSERT_EQ(big.getPixel(x, y), pattern.getPixel(x / 2, y / 2)) << x << "," << y;
  // A bilinear draw of an opaque uniform source is that colour inside (and blends with the
  // transparent outside at the rim).
  TiledImage<32> uniform;
  ASSERT_TRUE(uniform.resize(20, 20));
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 20; ++x) uniform.setPixel(x, y, 0xFF405060u);
  Image32 out(40, 40);
  out.fill(0);
  params.bilinear = 1;
  drawTransformed(out, 20.0, 20.0, 0.4, 1.5, 1.5, uniform, params);
  EXPECT_EQ(out.getPixel(20, 20), 0xFF405060u);
}

TEST(AffineQuad, EightAndOneBitSourcesPaintTheColour) {
  TiledImage<8> grey;
  TiledImage<1> bits;
  ASSERT_TRUE(grey.resize(10, 10));
  ASSERT_TRUE(bits.resize(10, 10));
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 10; ++x) {
      grey.setPixel(x, y, uint8_t(x * 25));
      bits.setPixel(x, y, (x + y) & 1);
    }
  QuadParams params;
  params.colour = 0xFF112233u;
  params.opacity = 200;
  Image32 a(10, 10), b(10, 10);
  a.fill(0xFFFFFFFFu);
  b.fill(0xFFFFFFFFu);
  drawTransformed(a, 5.0, 5.0, 0.0, 1.0, 1.0, grey, params);
  drawTransformed(b, 5.0, 5.0, 0.0, 1.0, 1.0, bits, params);
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 10; ++x) {
      Image32 ref(1, 1);
      ref.fill(0xFFFFFFFFu);
      if (x > 0) ref.paintPixel(0, 0, 0x00112233u | uint32_t(x * 25) << 24, 200);
      EXPECT_EQ(a.getPixel(x, y), ref.getPixel(0, 0)) << x;
      ref.fill(0xFFFFFFFFu);
      if ((x + y) & 1) ref.paintPixel(0, 0, 0xFF112233u, 200);
      EXPECT_EQ(b.getPixel(x, y), ref.getPixel(0, 0)) << x << "," << y;
    }
  // Bilinear 8 bpp: the weighted byte sum divided by 255.
  params.bilinear = 1;
  params.opacity = 255;
  Image32 c(10, 10);
  c.fill(0);
  MappedQuad q;
  q.addVertex(0, 0, 0.25, 0);
  q.addVertex(10, 0, 10.25, 0);
  q.addVertex(10, 10, 10.25, 10);
  q.addVertex(0, 10, 0.25, 10);
  mapQuad(c, grey, q, params);
  // Pixel 3 samples at u = 3.75 - 0.5 = 3.25: fx = 64, fy = 128 - ... rows equal, so x only.
  int64_t U = int64_t((0.25 + 0.5 * 1.0 + 3.0) * 65536) - 32768;
  int fx = int((U >> 8) & 255);
  int64_t V = int64_t((((4.5 + kScanOffset) / 10) * 10 + 0.5 * 0.0) * 65536) - 32768;
  int fy = int((V >> 8) & 255);
  int w00 = (255 - fx) * (255 - fy) / 255, w10 = fx * (255 - fy) / 255, w01 = (255 - fx) * fy / 255;
  int w11 = 255 - w00 - w10 - w01;
  int sx = int(U >> 16);
  int value = (w00 * sx * 25 + w10 * (sx + 1) * 25 + w01 * sx * 25 + w11 * (sx + 1) * 25) / 255;
  EXPECT_EQ(alphaOf(c.getPixel(3, 4)), value);
}

TEST(AffineQuad, DegenerateInputIsSafe) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  TiledImage<32> src, empty;
  ASSERT_TRUE(src.resize(100, 100));
  fillTiled32(src, 1);
  Image32 dst(50, 50);
  dst.fill(0x7F7F7F7Fu);
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
    MappedQuad q;
    q.addVertex(0, 0, 0, 0);
    q.addVertex(10, 10, 1e300, -1e300);
    mapQuad(dst, src, q, params);  // two vertices: nothing
    q.addVertex(-3e9, 3e9, nan, 0);
    mapQuad(dst, src, q, params);
  }
  Image32 none;
  none.releasePixels();
  drawTransformed(none, 25, 25, 0.3, 1, 1, src, params);
}
