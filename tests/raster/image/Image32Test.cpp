// What Image32 adds to the plain buffer rules: the pixel painting forms, the checkerboard and
// bitwise fills. (Its filled rectangles are checked with the fill span they run.)
#include "raster/image/Image32.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "raster/pixel/PixelOps.h"
#include "support/PixelReference.h"
#include "support/RandomImages.h"

namespace kanvo {
namespace {

using test::applied;
using test::fillRandomBytes;
using test::pixelsOf;
using test::randomIn;

TEST(Image32, PixelPaintingFormsMatchPrimitives) {
  Image32 image(1, 1);
  std::mt19937 rng(11);
  using Paint = void (Image32::*)(int32_t, int32_t, Color32, int);
  for (int i = 0; i < 20000; ++i) {
    Color32 pixel = rng(), colour = rng();
    int w = randomIn(rng, 0, 255);
    if (i % 4 == 0) pixel |= 0xFF000000u;
    if (i % 5 == 0) pixel &= 0x00FFFFFFu;
    if (i % 7 == 0) colour |= 0xFF000000u;
    if (i % 11 == 0) w = 255;
    // paintPixel: a transparent pixel takes the colour with its alpha scaled by (w + 1) >> 8.
    const Color32 painted = alphaOf(pixel) == 0 && w < 255
                                ? (colour & 0xFFFFFFu) | uint32_t(alphaOf(colour) * (w + 1) >> 8) << 24
                            : alphaOf(pixel) == 0 ? colour
                                                  : test::paintOver(pixel, colour, w);
    const std::pair<Paint, Color32> forms[] = {
        {&Image32::paintPixel, painted},
        {&Image32::blendPixelRgb, applied(blendRgb, pixel, colour, w)},
        {&Image32::blendPixelByColourAlpha, applied(blendRgbByAlpha, pixel, colour, w)}};
    for (const auto& [form, want] : forms) {
      image.setPixel(0, 0, pixel);
      (image.*form)(0, 0, colour, w);
      ASSERT_EQ(image.getPixel(0, 0), want) << std::hex << pixel << " " << colour << " " << w;
    }
  }
}

// The checkerboard by its definition, one pixel at a time.
Color32 checkerAt(int32_t x, int32_t y, Color32 a, Color32 b, int32_t cell, int32_t ox, int32_t oy) {
  auto below = [cell](int64_t v) { return ((v % cell) + cell) % cell < cell / 2; };
  return below(int64_t(x) - ox) != below(int64_t(y) - oy) ? b : a;
}

TEST(Image32, FillCheckerboardMatchesDefinition) {
  const Color32 A = 0xFFC0C0C0, B = 0xFFFFFFFF, old = 0x12345678;
  std::mt19937 rng(3);
  for (int32_t cell : {1, 2, 4, 8, 16})
    for (int iter = 0; iter < 40; ++iter) {
      Image32 image(randomIn(rng, 1, 40), randomIn(rng, 1, 40));
      image.fill(old);
      // Offsets at the ends of the 32-bit range too: the distances are taken in 64 bits.
      const int32_t ox = iter % 8 ? randomIn(rng, -50, 50) : INT32_MIN + iter,
                    oy = iter % 8 == 1 ? INT32_MAX - iter : randomIn(rng, -50, 50),
                    x = randomIn(rng, -20, 30), y = randomIn(rng, -20, 30), w = randomIn(rng, 0, 60),
                    h = randomIn(rng, 0, 60);
      image.fillCheckerboard(x, y, w, h, A, B, cell, ox, oy);
      for (int32_t py = 0; py < image.height(); ++py)
        for (int32_t px = 0; px < image.width(); ++px) {
          const bool in = px >= x && px < x + w && py >= y && py < y + h;
          ASSERT_EQ(image.getPixel(px, py), in ? checkerAt(px, py, A, B, cell, ox, oy) : old) << cell;
        }
    }
  Image32 whole(9, 7);
  EXPECT_TRUE(whole.fillCheckerboard(A, B, 8, -3, -1) &&
              whole.getPixel(8, 6) == checkerAt(8, 6, A, B, 8, -3, -1));
  EXPECT_FALSE(whole.fillCheckerboard(0, 0, 9, 7, A, B, 0, 0, 0));
}

Color32 bitwiseReference(Color32 p, int mode, Color32 v) {
  if (mode == kBitwiseFlatten) return applied(blendRgbAlpha256, v, p, 255);
  if (mode == kBitwiseAlphaFromLuminance)
    return (v & 0xFFFFFFu) | uint32_t((255 - luminance(p)) * (alphaOf(p) + 1) >> 8) << 24;
  return mode == kBitwiseAnd ? p & v : mode == kBitwiseOr ? p | v : mode == kBitwiseXor ? p ^ v : ~p;
}

TEST(Image32, BitwiseModesOnClippedRectangles) {
  std::mt19937 rng(17);
  for (int mode = -1; mode <= 6; ++mode)
    for (int iter = 0; iter < 30; ++iter) {
      Image32 image(randomIn(rng, 1, 20), randomIn(rng, 1, 20));
      fillRandomBytes(image, rng);
      image.setPixel(0, 0, iter % 2 ? 0xFFFFFFFF : 0);
      const std::vector<Color32> before = pixelsOf(image);
      const Color32 value = rng();
      const int32_t x = randomIn(rng, -10, 25), y = randomIn(rng, -10, 25), w = randomIn(rng, -2, 30),
                    h = randomIn(rng, -2, 30);
      const bool known = mode >= 0 && mode <= 5;
      bool anything = false;
      const bool ran = image.bitwise(x, y, w, h, mode, value);
      for (int32_t py = 0; py < image.height(); ++py)
        for (int32_t px = 0; px < image.width(); ++px) {
          const Color32 old = before[size_t(py * image.width() + px)];
          const bool in = known && px >= x && px < x + w && py >= y && py < y + h;
          anything |= in;
          ASSERT_EQ(image.getPixel(px, py), in ? bitwiseReference(old, mode, value) : old) << mode;
        }
      EXPECT_EQ(ran, anything) << mode;
    }
}

}  // namespace
}  // namespace kanvo
