#include "raster/image/Image32.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <vector>

#include "raster/pixel/PixelOps.h"
#include "support/RandomImages.h"

namespace kanvo {
namespace {

using test::fillRandomBytes;
using test::pixelsOf;
using test::randomIn;

TEST(Image32, GeometryAndResizeRule) {
  Image32 fresh;
  EXPECT_EQ(fresh.width(), 1);
  EXPECT_EQ(fresh.height(), 1);
  EXPECT_TRUE(fresh.resizeBuffer(0, 0));
  EXPECT_EQ(fresh.width(), 1);
  EXPECT_EQ(fresh.height(), 1);
  EXPECT_TRUE(fresh.hasPixels());

  Image32 image(5, 3);
  EXPECT_EQ(image.stride(), 20);
  EXPECT_EQ(image.byteCount(), 60u);
  image.fill(0x11223344);
  image.setPixel(4, 2, 0xCAFEBABE);
  const uint8_t* before = image.bits();
  EXPECT_TRUE(image.resizeBuffer(5, 3));
  EXPECT_EQ(image.bits(), before);
  EXPECT_EQ(image.getPixel(4, 2), 0xCAFEBABEu);
  EXPECT_EQ(image.getPixel(0, 0), 0x11223344u);
  EXPECT_TRUE(image.resizeBuffer(-4, 7));
  EXPECT_EQ(image.width(), 1);
  EXPECT_EQ(image.height(), 7);

  struct Case {
    int32_t w, h;
    uint32_t flag, mask;
  } cases[] = {{64, 64, 1, 63}, {64, 32, 0, 0}, {48, 48, 0, 47}, {1, 1, 1, 0}, {2, 1, 0, 0}};
  for (const Case& c : cases) {
    Image32 tile(c.w, c.h);
    EXPECT_EQ(tile.info().squarePowerOfTwo, c.flag) << c.w << "x" << c.h;
    EXPECT_EQ(tile.info().coordinateMask, c.mask) << c.w << "x" << c.h;
  }
}

TEST(Image32, AccessorsTreatNegativeCoordinatesAsOutside) {
  Image32 image(4, 3);
  image.fill(0xFF102030);
  EXPECT_EQ(image.getPixel(-1, 0), 0u);
  EXPECT_EQ(image.getPixel(0, -1), 0u);
  EXPECT_EQ(image.getPixel(4, 0), 0u);
  EXPECT_EQ(image.getPixel(0, 3), 0u);
  EXPECT_EQ(image.getPixel(INT32_MIN, 0), 0u);
  EXPECT_EQ(image.pixelAddress(-1, 1), nullptr);
  EXPECT_EQ(image.pixelAddress(3, 2), reinterpret_cast<Color32*>(image.bits()) + 11);
  std::vector<Color32> before = pixelsOf(image);
  image.setPixel(4, 0, 1);
  image.setPixel(-1, 0, 1);
  image.setPixel(0, -1, 1);
  image.paintPixel(-1, -1, 0xFFFFFFFF, 255);
  image.blendPixelRgb(4, 1, 0, 255);
  image.lerpPixelRgb(1, 3, 0, 255);
  image.blendPixelByColourAlpha(-5, 0, 0xFF000000, 255);
  image.blendPixelRgbIfOpaque(0, 99, 0, 255);
  EXPECT_EQ(pixelsOf(image), before);

  // Bytes in memory: blue, green, red, alpha.
  image.setPixel(1, 0, rgba(1, 2, 3, 4));
  const uint8_t* p = image.bits() + 4;
  EXPECT_EQ(p[0], 3);
  EXPECT_EQ(p[1], 2);
  EXPECT_EQ(p[2], 1);
  EXPECT_EQ(p[3], 4);
}

TEST(Image32, PaintPixelCases) {
  Image32 image(1, 1);
  auto paint = [&](Color32 pixel, Color32 colour, int opacity) {
    image.setPixel(0, 0, pixel);
    image.paintPixel(0, 0, colour, opacity);
    return image.getPixel(0, 0);
  };
  // Transparent pixel: the colour, alpha scaled by (opacity + 1) >> 8 below full opacity.
  EXPECT_EQ(paint(0x00AABBCC, rgba(10, 20, 30, 128), 128), rgba(10, 20, 30, 64));
  EXPECT_EQ(paint(0x00000000, rgba(10, 20, 30, 200), 255), rgba(10, 20, 30, 200));
  EXPECT_EQ(paint(0x00FFFFFF, rgba(10, 20, 30, 255), 0), rgba(10, 20, 30, 0));
  EXPECT_EQ(paint(0x00FFFFFF, rgba(10, 20, 30, 255), 254), rgba(10, 20, 30, 254));
  // Opaque colour at full opacity is stored whatever the pixel.
  EXPECT_EQ(paint(rgba(1, 2, 3, 77), rgba(9, 8, 7, 255), 255), rgba(9, 8, 7, 255));

  std::mt19937 rng(11);
  for (int i = 0; i < 20000; ++i) {
    Color32 pixel = rng(), colour = rng();
    int opacity = randomIn(rng, 0, 255);
    if (i % 4 == 0) pixel |= 0xFF000000u;
    if (i % 5 == 0) pixel &= 0x00FFFFFFu;
    if (i % 7 == 0) colour |= 0xFF000000u;
    if (i % 11 == 0) opacity = 255;
    Color32 expected = pixel;
    int pa = alphaOf(pixel), ca = alphaOf(colour);
    if (pa == 0) {
      expected = opacity == 255 ? colour
                                : ((colour & 0x00FFFFFFu) | uint32_t((ca * (opacity + 1)) >> 8) << 24);
    } else if (ca == 255 && opacity == 255) {
      expected = colour;
    } else if (pa == 255) {
      blendRgbByAlpha(expected, colour, opacity);
      ASSERT_EQ(alphaOf(expected), 255);
    } else {
      over(expected, colour, opacity);
    }
    ASSERT_EQ(paint(pixel, colour, opacity), expected) << std::hex << pixel << " " << colour << " " << opacity;
  }
}

TEST(Image32, PixelBlendsMatchPrimitives) {
  Image32 image(1, 1);
  std::mt19937 rng(5);
  for (int i = 0; i < 5000; ++i) {
    Color32 pixel = rng(), colour = rng();
    if (i % 3 == 0) pixel &= 0x00FFFFFFu;
    int w = randomIn(rng, 0, 255);
    Color32 e;
    image.setPixel(0, 0, pixel);
    image.blendPixelRgb(0, 0, colour, w);
    e = pixel;
    blendRgb(e, colour, w);
    ASSERT_EQ(image.getPixel(0, 0), e);
    image.setPixel(0, 0, pixel);
    image.blendPixelRgbIfOpaque(0, 0, colour, w);
    e = pixel;
    if (alphaOf(pixel) != 0) blendRgb(e, colour, w);
    ASSERT_EQ(image.getPixel(0, 0), e);
    image.setPixel(0, 0, pixel);
    image.lerpPixelRgb(0, 0, colour, w);
    e = pixel;
    lerpRgb(e, colour, w);
    ASSERT_EQ(image.getPixel(0, 0), e);
    image.setPixel(0, 0, pixel);
    image.blendPixelByColourAlpha(0, 0, colour, w);
    e = pixel;
    blendRgbByAlpha(e, colour, w);
    ASSERT_EQ(image.getPixel(0, 0), e);
  }
}

// The checkerboard by its definition, one pixel at a time.
Color32 checkerAt(int32_t x, int32_t y, Color32 a, Color32 b, int32_t cell, int32_t ox, int32_t oy) {
  auto mod = [cell](int64_t v) {
    int64_t m = v % cell;
    return m < 0 ? m + cell : m;
  };
  bool inA = mod(int64_t(x) - ox) < cell / 2;
  bool inB = mod(int64_t(y) - oy) < cell / 2;
  return inA != inB ? b : a;
}

TEST(Image32, FillCheckerboardMatchesDefinition) {
  const Color32 A = 0xFFC0C0C0, B = 0xFFFFFFFF, old = 0x12345678;
  std::mt19937 rng(3);
  for (int32_t cell : {1, 2, 4, 8, 16}) {
    for (int iter = 0; iter < 40; ++iter) {
      Image32 image(randomIn(rng, 1, 40), randomIn(rng, 1, 40));
      image.fill(old);
      int32_t ox = randomIn(rng, -50, 50), oy = randomIn(rng, -50, 50);
      int32_t x = randomIn(rng, -20, 30), y = randomIn(rng, -20, 30);
      int32_t w = randomIn(rng, 0, 60), h = randomIn(rng, 0, 60);
      image.fillCheckerboard(x, y, w, h, A, B, cell, ox, oy);
      for (int32_t py = 0; py < image.height(); ++py)
        for (int32_t px = 0; px < image.width(); ++px) {
          bool in = px >= x && px < x + w && py >= y && py < y + h;
          Color32 want = in ? checkerAt(px, py, A, B, cell, ox, oy) : old;
          ASSERT_EQ(image.getPixel(px, py), want) << "cell " << cell << " at " << px << "," << py;
        }
    }
  }
  Image32 whole(9, 7);
  whole.fillCheckerboard(A, B, 8, -3, -1);
  for (int32_t py = 0; py < 7; ++py)
    for (int32_t px = 0; px < 9; ++px) EXPECT_EQ(whole.getPixel(px, py), checkerAt(px, py, A, B, 8, -3, -1));
  EXPECT_FALSE(whole.fillCheckerboard(0, 0, 9, 7, A, B, 0, 0, 0));
}

TEST(Image32, VerticalGradientWeights) {
  const Color32 top = rgba(0, 100, 255, 200), bottom = rgba(255, 0, 10, 7);
  Image32 image(3, 4);
  image.fillVerticalGradient(top, bottom);
  const int weights[4] = {0, 63, 127, 191};  // y * 255 / 4, the last (h - 1) * 255 / h
  for (int32_t y = 0; y < 4; ++y) {
    Color32 e = top;
    if (weights[y] != 0)  // (d (255 - w) + s w) / 255 per colour byte, alpha from the top
      e = rgba((0 * (255 - weights[y]) + 255 * weights[y]) / 255, (100 * (255 - weights[y]) + 0) / 255,
               (255 * (255 - weights[y]) + 10 * weights[y]) / 255, 200);
    for (int32_t x = 0; x < 3; ++x) EXPECT_EQ(image.getPixel(x, y), e) << y;
  }
  Image32 tall(1, 300);
  tall.fillVerticalGradient(0xFF000000, 0xFFFFFFFF);
  for (int32_t y = 0; y < 300; ++y) {
    int w = y * 255 / 300;
    int grey = w == 0 ? 0 : 255 * w / 255;
    ASSERT_EQ(tall.getPixel(0, y), rgba(grey, grey, grey, 255)) << y;
  }
}

Color32 bitwiseReference(Color32 p, int mode, Color32 v) {
  switch (mode) {
    case 0:
      return p & v;
    case 1:
      return p | v;
    case 2:
      return p ^ v;
    case 3:
      return ~p;
    case 4: {
      Color32 out = v;
      blendRgbAlpha256(out, p, 255);
      return out;
    }
    default: {
      int lum = (redOf(p) * 19595 + greenOf(p) * 38469 + blueOf(p) * 7471) / 65535;
      return (v & 0x00FFFFFFu) | uint32_t(((255 - lum) * (alphaOf(p) + 1)) >> 8) << 24;
    }
  }
}

TEST(Image32, BitwiseModesOnClippedRectangles) {
  std::mt19937 rng(17);
  for (int mode = 0; mode <= 5; ++mode) {
    for (int iter = 0; iter < 30; ++iter) {
      Image32 image(randomIn(rng, 1, 20), randomIn(rng, 1, 20));
      fillRandomBytes(image, rng);
      if (iter % 3 == 0) image.setPixel(0, 0, 0xFFFFFFFF);
      if (iter % 3 == 1) image.setPixel(0, 0, 0x00000000);
      std::vector<Color32> before = pixelsOf(image);
      Color32 value = rng();
      int32_t x = randomIn(rng, -10, 25), y = randomIn(rng, -10, 25);
      int32_t w = randomIn(rng, -2, 30), h = randomIn(rng, -2, 30);
      bool ran = image.bitwise(x, y, w, h, mode, value);
      bool anything = false;
      for (int32_t py = 0; py < image.height(); ++py)
        for (int32_t px = 0; px < image.width(); ++px) {
          Color32 old = before[size_t(py * image.width() + px)];
          bool in = px >= x && px < x + w && py >= y && py < y + h;
          anything |= in;
          ASSERT_EQ(image.getPixel(px, py), in ? bitwiseReference(old, mode, value) : old) << mode;
        }
      EXPECT_EQ(ran, anything);
    }
  }
  Image32 picture(3, 2);
  picture.fill(0x00123456);
  picture.bitwise(kBitwiseOr, 0xFF000000);
  Color32 first;
  EXPECT_TRUE(picture.isUniform(&first));
  EXPECT_EQ(first, 0xFF123456u);
  // Mode 5 of white keeps no alpha, of black the old alpha (+1 >> 8).
  picture.setPixel(0, 0, 0xFFFFFFFF);
  picture.setPixel(1, 0, 0x80000000);
  picture.bitwise(kBitwiseAlphaFromLuminance, 0x00ABCDEF);
  EXPECT_EQ(picture.getPixel(0, 0), 0x00ABCDEFu);
  EXPECT_EQ(picture.getPixel(1, 0), 0x80ABCDEFu);
  std::vector<Color32> before = pixelsOf(picture);
  EXPECT_FALSE(picture.bitwise(6, 0));
  EXPECT_FALSE(picture.bitwise(-1, 0));
  EXPECT_EQ(pixelsOf(picture), before);
}

TEST(Image32, FillRectClipsAndUsesTheFillSpan) {
  Image32 image(6, 5);
  image.fill(0xFF808080);
  EXPECT_FALSE(image.fillRect(6, 0, 3, 3, 0xFF000000));
  EXPECT_FALSE(image.fillRect(-3, 0, 3, 3, 0xFF000000));
  EXPECT_FALSE(image.fillRect(0, 0, 0, 3, 0xFF000000));
  EXPECT_TRUE(image.isUniform());
  EXPECT_TRUE(image.fillRect(-2, 3, 4, 10, 0xFF0000FF));
  EXPECT_TRUE(image.fillRect(4, -1, 9, 2, 0xFFFFFFFF, 128, kOpAnd));
  Color32 blended = 0xFF808080;
  blendRgb(blended, 0xFFFFFFFF, 128);
  for (int32_t y = 0; y < 5; ++y)
    for (int32_t x = 0; x < 6; ++x) {
      Color32 e = 0xFF808080;
      if (x < 2 && y >= 3) e = 0xFF0000FF;
      if (x >= 4 && y < 1) e = blended;
      EXPECT_EQ(image.getPixel(x, y), e) << x << "," << y;
    }
}

// Blit of source onto a copy of destination by the plain definition: destination pixel
// (X, Y) takes source pixel (X - dx + sx, Y - dy + sy) when that lies inside the w x h window
// and inside the source.
std::vector<Color32> blitReference(const Image32& dst, int op, int opacity, int32_t dx, int32_t dy,
                                   const std::vector<Color32>& src, int32_t sw, int32_t sh, int32_t sx,
                                   int32_t sy, int32_t w, int32_t h) {
  std::vector<Color32> out = pixelsOf(dst);
  for (int32_t Y = 0; Y < dst.height(); ++Y)
    for (int32_t X = 0; X < dst.width(); ++X) {
      int32_t i = X - dx, j = Y - dy;
      int32_t u = sx + i, v = sy + j;
      if (i < 0 || j < 0 || i >= w || j >= h || u < 0 || v < 0 || u >= sw || v >= sh) continue;
      Color32& d = out[size_t(Y * dst.width() + X)];
      Color32 s = src[size_t(v * sw + u)];
      if (op == kOpCopy)
        d = s;
      else
        blendRgb(d, s, opacity);
    }
  return out;
}

TEST(Image32, BlitClipsAgainstBothImages) {
  std::mt19937 rng(23);
  for (int iter = 0; iter < 600; ++iter) {
    Image32 src(randomIn(rng, 1, 24), randomIn(rng, 1, 24));
    Image32 dst(randomIn(rng, 1, 24), randomIn(rng, 1, 24));
    fillRandomBytes(src, rng);
    fillRandomBytes(dst, rng);
    const auto [params, dx, dy, sx, sy, w, h] = test::randomBlit(rng, iter);
    std::vector<Color32> expected =
        blitReference(dst, params.op, params.opacity, dx, dy, pixelsOf(src), src.width(), src.height(), sx, sy, w, h);
    bool changedSomething = expected != pixelsOf(dst);
    bool ran = dst.blit(params, dx, dy, src, sx, sy, w, h);
    ASSERT_EQ(pixelsOf(dst), expected) << iter;
    if (changedSomething) {
      EXPECT_TRUE(ran);
    }
  }
}

TEST(Image32, BlitWithinOneImageReadsTheOldPixels) {
  std::mt19937 rng(29);
  for (int iter = 0; iter < 200; ++iter) {
    Image32 image(randomIn(rng, 1, 20), randomIn(rng, 1, 20));
    fillRandomBytes(image, rng);
    SpanParams params;
    params.op = iter % 2 ? kOpCopy : kOpBlend;
    params.opacity = 200;
    int32_t dx = randomIn(rng, -5, 8), dy = randomIn(rng, -5, 8), sx = randomIn(rng, -5, 8),
            sy = randomIn(rng, -5, 8), w = randomIn(rng, 1, 25), h = randomIn(rng, 1, 25);
    std::vector<Color32> expected = blitReference(image, params.op, params.opacity, dx, dy, pixelsOf(image),
                                                  image.width(), image.height(), sx, sy, w, h);
    image.blit(params, dx, dy, image, sx, sy, w, h);
    ASSERT_EQ(pixelsOf(image), expected) << iter;
  }
}

TEST(Image32, CopyFromAndAssign) {
  Image32 src(3, 2);
  std::mt19937 rng(1);
  fillRandomBytes(src, rng);
  Image32 dst(5, 5);
  dst.fill(0);
  EXPECT_TRUE(dst.copyFrom(src, 3, -1));
  EXPECT_EQ(dst.getPixel(3, 0), src.getPixel(0, 1));
  EXPECT_EQ(dst.getPixel(4, 0), src.getPixel(1, 1));
  EXPECT_EQ(dst.getPixel(2, 0), 0u);
  EXPECT_FALSE(dst.copyFrom(src, 5, 0));

  EXPECT_TRUE(dst.assign(src));
  EXPECT_EQ(dst.width(), 3);
  EXPECT_EQ(dst.height(), 2);
  EXPECT_EQ(pixelsOf(dst), pixelsOf(src));
  EXPECT_TRUE(dst.assign(dst));
  EXPECT_EQ(pixelsOf(dst), pixelsOf(src));
}

TEST(Image32, Downsample2x2IsTheAlphaWeightedMean) {
  Image32 image(3, 3);
  std::mt19937 rng(8);
  for (int iter = 0; iter < 200; ++iter) {
    fillRandomBytes(image, rng);
    for (int32_t y = 0; y < 2; ++y)
      for (int32_t x = 0; x < 2; ++x)
        ASSERT_EQ(image.downsample2x2(x, y), meanRgba2x2(image.getPixel(x, y), image.getPixel(x + 1, y),
                                                          image.getPixel(x, y + 1), image.getPixel(x + 1, y + 1)));
  }
  image.fill(0);
  image.setPixel(0, 0, rgba(200, 100, 0, 255));
  image.setPixel(1, 1, rgba(0, 100, 200, 85));
  // A = 340: red (200 * 255) / 340 = 150, green 100, blue (200 * 85) / 340 = 50, alpha 340 >> 2.
  EXPECT_EQ(image.downsample2x2(0, 0), rgba(150, 100, 50, 85));
  // The last column and row: pixels beyond the edge count as transparent.
  image.setPixel(2, 2, 0xFF0A0B0C);
  EXPECT_EQ(image.downsample2x2(2, 2), 0x3F0A0B0Cu);
  EXPECT_EQ(image.downsample2x2(INT32_MAX, INT32_MAX), 0u);
  EXPECT_EQ(image.downsample2x2(-1, -1), rgba(200, 100, 0, 63));
}

TEST(Image32, UniformityAndTransparency) {
  for (int32_t w : {1, 3, 4, 7}) {
    Image32 image(w, 3);
    image.fill(0x01020304);
    Color32 first = 0;
    EXPECT_TRUE(image.isUniform(&first));
    EXPECT_EQ(first, 0x01020304u);
    EXPECT_FALSE(image.isFullyTransparent());
    image.setPixel(w - 1, 2, 0x01020305);
    EXPECT_FALSE(image.isUniform(&first)) << w;
    image.fill(0x00FFFFFF);
    EXPECT_TRUE(image.isFullyTransparent());
    image.setPixel(w - 1, 2, 0x01FFFFFF);
    EXPECT_FALSE(image.isFullyTransparent());
  }
}

TEST(Image32, DrawSpanOutsideTheRowsDrawsNothing) {
  Image32 image(4, 4);
  image.fill(0);
  SpanParams params;
  params.paint = 0xFF000000;
  EXPECT_FALSE(image.drawSpan(params, -1, 0.0, 3.0));
  EXPECT_FALSE(image.drawSpan(params, 4, 0.0, 3.0));
  EXPECT_TRUE(image.isUniform());
  // Inside, the row gets exactly the anti-aliased span routine.
  params.opacity = 200;
  std::vector<Color32> row(4, 0);
  ASSERT_TRUE(antialiasedSpan32(params, reinterpret_cast<uint8_t*>(row.data()), 4, 0.25, 2.5));
  EXPECT_TRUE(image.drawSpan(params, 2, 0.25, 2.5));
  for (int32_t x = 0; x < 4; ++x) {
    EXPECT_EQ(image.getPixel(x, 2), row[size_t(x)]);
    EXPECT_EQ(image.getPixel(x, 1), 0u);
  }
}

TEST(Image32, SizesThatCannotBeHadLeaveASafeEmptyBuffer) {
  struct Size {
    int32_t w, h;
  } sizes[] = {{INT32_MAX, INT32_MAX}, {1 << 30, 1}, {1 << 29, 9}, {1 << 28, 1 << 10}, {INT32_MAX, 1}};
  for (const Size& s : sizes) {
    Image32 image(8, 8);
    image.fill(0xFFFFFFFF);
    EXPECT_FALSE(image.resizeBuffer(s.w, s.h)) << s.w << "x" << s.h;
    EXPECT_FALSE(image.hasPixels());
    EXPECT_EQ(image.bits(), nullptr);
    EXPECT_EQ(image.width(), 0);
    EXPECT_EQ(image.height(), 0);
    EXPECT_EQ(image.byteCount(), 0u);

    // Every operation is a harmless no-op.
    EXPECT_EQ(image.getPixel(0, 0), 0u);
    EXPECT_EQ(image.pixelAddress(0, 0), nullptr);
    EXPECT_EQ(image.rowAddress(0), nullptr);
    image.setPixel(0, 0, 1);
    image.paintPixel(0, 0, 1, 255);
    image.blendPixelRgb(0, 0, 1, 255);
    image.fill(5);
    EXPECT_FALSE(image.fillRect(0, 0, 10, 10, 1));
    EXPECT_FALSE(image.fillCheckerboard(0, 0, 10, 10, 1, 2, 8, 0, 0));
    image.fillCheckerboard(1, 2, 8, 0, 0);
    image.fillVerticalGradient(0, 0xFFFFFFFF);
    EXPECT_FALSE(image.bitwise(0, 0, 5, 5, kBitwiseNot, 0));
    image.bitwise(kBitwiseOr, 0xFF000000);
    Image32 other(4, 4);
    other.fill(0xFF00FF00);
    SpanParams params;
    EXPECT_FALSE(image.blit(params, 0, 0, other, 0, 0, 4, 4));
    EXPECT_FALSE(other.blit(params, 0, 0, image, 0, 0, 4, 4));
    EXPECT_FALSE(image.copyFrom(other));
    EXPECT_FALSE(other.copyFrom(image));
    EXPECT_FALSE(other.assign(image));
    EXPECT_TRUE(other.hasPixels());
    EXPECT_TRUE(other.isUniform());
    EXPECT_EQ(image.downsample2x2(0, 0), 0u);
    EXPECT_FALSE(image.isUniform());
    EXPECT_TRUE(image.isFullyTransparent());
    EXPECT_FALSE(image.drawSpan(params, 0, 0.0, 5.0));

    // The buffer can be used again after a size that fits.
    EXPECT_TRUE(image.resizeBuffer(2, 2));
    EXPECT_TRUE(image.assign(other));
    EXPECT_TRUE(image.isUniform());
  }
  Image32 released(3, 3);
  released.releasePixels();
  EXPECT_FALSE(released.hasPixels());
  EXPECT_EQ(released.getPixel(0, 0), 0u);
  EXPECT_TRUE(released.resizeBuffer(0, 0));  // a 1 x 1 buffer again, not "same size, no pixels"
  EXPECT_TRUE(released.hasPixels());
}

TEST(Image32, CoordinatesNearTheEndsOfTheIntegerRange) {
  Image32 image(8, 8);
  Image32 source(8, 8);
  source.fill(0xFFFFFFFF);
  SpanParams copy;
  const int32_t far[] = {INT32_MIN, INT32_MIN + 3, -9, 0, 5, INT32_MAX - 3, INT32_MAX};
  for (int32_t a : far)
    for (int32_t b : far) {
      // The window [a, a + b) reaches the 8 pixels exactly when it overlaps [0, 8).
      bool reaches = b >= 1 && a < 8 && int64_t(a) + b >= 1;
      int32_t lo = std::max(a, 0);
      int32_t hi = int32_t(std::min<int64_t>(int64_t(a) + b, 8));
      image.fill(0);
      EXPECT_EQ(image.fillRect(a, 0, b, 1, 0xFFFFFFFF), reaches) << a << " " << b;
      EXPECT_EQ(image.bitwise(0, a, 1, b, kBitwiseNot, 0), reaches);
      for (int32_t i = 1; i < 8; ++i) {
        bool in = reaches && i >= lo && i < hi;
        ASSERT_EQ(image.getPixel(i, 0), in ? ~0u : 0u);
        ASSERT_EQ(image.getPixel(0, i), in ? ~0u : 0u);
      }
      EXPECT_EQ(image.fillCheckerboard(a, 0, b, 1, 1, 2, 8, a, b), reaches);
      // A blit whose destination lies far outside the image changes nothing.
      if (a < -8 || a >= 8) {
        image.fill(0);
        EXPECT_FALSE(image.blit(copy, a, 0, source, 0, 0, b, 8));
        EXPECT_FALSE(image.blit(copy, 0, a, source, 0, b, 8, b));
        EXPECT_TRUE(image.isUniform());
      }
    }
  image.fill(0);
  EXPECT_TRUE(image.blit(copy, -5, 3, source, 0, 0, INT32_MAX, 1));
  EXPECT_EQ(image.getPixel(2, 3), 0xFFFFFFFFu);
  EXPECT_EQ(image.getPixel(3, 3), 0u);
  // The window's source part [MIN + 2, 1) holds one column, which would land far to the right.
  EXPECT_FALSE(image.blit(copy, 6, 6, source, INT32_MIN + 2, INT32_MIN + 2, INT32_MAX, INT32_MAX));
  EXPECT_EQ(image.getPixel(6, 6), 0u);
  EXPECT_TRUE(image.fillCheckerboard(0, 0, INT32_MAX, INT32_MAX, 1, 2, 16, INT32_MIN, INT32_MAX));
  for (int32_t y = 0; y < 8; ++y)
    for (int32_t x = 0; x < 8; ++x) ASSERT_EQ(image.getPixel(x, y), checkerAt(x, y, 1, 2, 16, INT32_MIN, INT32_MAX));
}

}  // namespace
}  // namespace kanvo
