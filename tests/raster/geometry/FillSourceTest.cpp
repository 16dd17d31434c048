// Fill sources: the gradient parameter of every shape and repeat mode, the view transform, the
// stack order, texture levels and sampling, copies, degenerate input.
#include "raster/geometry/FillSource.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "raster/pixel/PixelOps.h"
#include "support/PixelReference.h"
#include "support/RandomImages.h"

namespace kanvo {
namespace {

constexpr Color32 kRed = 0xFFFF0000u, kBlue = 0xFF0000FFu;

TEST(FillSource, GradientParameterOfEveryShapeAndRepeat) {
  const struct {
    int32_t shape, repeat;
    double x0, y0, x1, y1;
    int32_t x, y, t;
  } cases[] = {
      {kGradientLinear, kGradientClamp, 0, 0, 100, 0, 100, 7, 255},
      {kGradientLinear, kGradientClamp, 0, 0, 100, 0, 50, 0, 127},  // 655 x 50 >> 8
      {kGradientLinear, kGradientRepeat, 0, 0, 100, 0, 101, 0, 2},
      {kGradientLinear, kGradientMirror, 0, 0, 100, 0, 101, 0, 253},
      {kGradientLinear, kGradientMirror, 0, 0, 100, 0, -1, 0, 3},      // -655 >> 8 = -3
      {kGradientLinear, kGradientMirror, 0, 0, 100, 0, -110, 0, 229},  // -282, mirrored
      {kGradientLinear, kGradientClamp, 10, 0, 10, 200, 999, 100, 127},
      // Zero length keeps the identity scale: t = (x - P0.x) x 256 before the repeat.
      {kGradientLinear, kGradientRepeat, 5.5, 3, 5.5, 3, 6, 0, 128},
      {kGradientRadial, kGradientClamp, 20, 20, 30, 20, 25, 20, 63},  // 25 x 255 / 100
      {kGradientRadialInverted, kGradientClamp, 20, 20, 30, 20, 25, 20, 192},
      {kGradientRadial, kGradientRepeat, 20, 20, 30, 20, 25, 20, 127},  // int(5 / 10 x 255)
      {kGradientRadial, kGradientRepeat, 20, 20, 30, 20, 35, 20, 126},  // 382 & 255
      {kGradientRadial, kGradientMirror, 20, 20, 30, 20, 35, 20, 129},
      {kGradientRadial, kGradientClamp, 1, 1, 1, 1, 1, 1, 255},
      {kGradientRadial, kGradientMirror, 1, 1, 1, 1, 9, 1, 0},
  };
  for (const auto& c : cases) {
    FillSourceStack stack;
    FillSource* g =
        stack.addGradient(c.x0, c.y0, kRed, c.x1, c.y1, kBlue, c.shape, c.repeat, kGradientTwoColours);
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(g->gradientT(c.x, c.y), c.t) << c.shape << " " << c.repeat << " at " << c.x << "," << c.y;
    // Two colours: the first with the second laid over at weight t.
    EXPECT_EQ(stack.evaluate(c.x, c.y), test::applied(over, kRed, kBlue, c.t));
  }
}

TEST(FillSource, ViewTransformAndStackOrder) {
  FillSourceStack stack;
  EXPECT_EQ(stack.evaluate(3, 3), kOpaqueWhite);
  FillSource* g =
      stack.addGradient(0, 0, kRed, 100, 0, kBlue, kGradientLinear, kGradientClamp, kGradientTwoColours);
  stack.setView(40, 7, 0.5);  // view = canvas x 0.5 + (40, 7)
  EXPECT_TRUE(stack.evaluate(90, 0) == kBlue && stack.evaluate(40, 0) == kRed && g->gradientT(65, 0) == 127);
  // A one-colour gradient lays its colour over what is below at weight 255 - t; a two-colour
  // gradient replaces everything below it; a disabled source is skipped.
  stack.clear();
  FillSource* one =
      stack.addGradient(0, 0, 0x80102030u, 10, 0, 0, kGradientLinear, kGradientClamp, kGradientOneColour);
  const Color32 below = test::applied(over, kOpaqueWhite, 0x80102030u, 255 - one->gradientT(4, 0));
  EXPECT_EQ(stack.evaluate(4, 0), below);
  FillSource* two =
      stack.addGradient(0, 0, kRed, 0, 10, kBlue, kGradientLinear, kGradientClamp, kGradientTwoColours);
  EXPECT_EQ(stack.evaluate(4, 0), kRed);
  two->enabled = 0;
  EXPECT_EQ(stack.evaluate(4, 0), below);
  EXPECT_EQ(stack.current(), 1);
  while (stack.count() < kMaxFillSources)
    ASSERT_NE(stack.addGradient(0, 0, kRed, 1, 1, kBlue, 0, 0, 0), nullptr);
  EXPECT_TRUE(stack.addGradient(0, 0, kRed, 1, 1, kBlue, 0, 0, 0) == nullptr &&
              stack.addTexture(Image32(2, 2), 255) == nullptr && stack.count() == kMaxFillSources);
}

TEST(FillSource, TextureLevelsAndLevelChoice) {
  Image32 tex(37, 20);
  test::fillRandom(tex, 5);
  FillSourceStack stack;
  FillSource* s = stack.addTexture(tex, 200);
  ASSERT_NE(s, nullptr);
  // Level sizes: halved, truncated, made even; a size of 0 is held as 1 x 1.
  const int widths[8] = {18, 8, 4, 2, 1, 1, 1, 1}, heights[8] = {10, 4, 2, 1, 1, 1, 1, 1};
  for (size_t k = 0; k < 8; ++k)
    EXPECT_TRUE(s->levels[k].width() == widths[k] && s->levels[k].height() == heights[k]);
  EXPECT_EQ(s->levels[0].getPixel(3, 4), tex.downsample2x2(6, 8));
  EXPECT_EQ(s->levels[1].getPixel(2, 1), s->levels[0].downsample2x2(4, 2));
  const struct {
    double scale;
    int level;
    int32_t step;
    int bilinear;
  } cases[] = {{2.0, -1, 32768, 0},
               {1.0, -1, 65536, 0},
               {0.75, -1, 87381, 1},
               {0.3, 0, 109226, 1},
               {0.2, 1, 81920, 1},
               {0.25, 1, 65536, 0},
               {0.003, 6, int32_t(65536 / (0.003 * 128)), 1}};
  for (auto c : cases) {
    stack.setView(0, 0, c.scale);
    EXPECT_TRUE(s->levelIndex == c.level && s->stepX == c.step && s->bilinear == c.bilinear) << c.scale;
  }
}

TEST(FillSource, TextureSamplingRepeatsTheTexture) {
  Image32 tex(16, 16);
  test::fillRandom(tex, 9);
  FillSourceStack stack;
  stack.setBaseColour(0);
  FillSource* s = stack.addTexture(tex, 255);
  // Scale 1: nearest pixels, repeating; positions left of the view origin give a negative
  // remainder and read as transparent.
  stack.setView(3, 2, 1.0);
  for (int y = 2; y < 40; y += 3)
    for (int x = 3; x < 40; x += 5)
      EXPECT_EQ(stack.evaluate(x, y), test::applied(over, 0, tex.getPixel((x - 3) % 16, (y - 2) % 16), 255));
  EXPECT_EQ(s->textureSample(1, 5, 3, 2), 0u);
  // The wrapped bilinear sample a quarter pixel right of and half a pixel below pixel centres
  // (weights 95, 31, 95, 34), also left of the origin and past the far edges.
  for (int y = -20; y < 40; y += 7)
    for (int x = -30; x < 40; x += 3) {
      const int64_t u = x * 65536 + 16384, v = y * 65536 + 32768;
      auto at = [&](int dx, int dy) {
        return tex.getPixel(((x + dx) % 16 + 16) % 16, ((y + dy) % 16 + 16) % 16);
      };
      const Color32 p[4] = {at(0, 0), at(1, 0), at(0, 1), at(1, 1)};
      const int w[4] = {95, 31, 95, 34};
      int A = 0, c[3] = {0, 0, 0};
      for (int i = 0; i < 4; ++i) {
        A += w[i] * alphaOf(p[i]);
        for (int b = 0; b < 3; ++b) c[b] += byteOf(p[i], b) * w[i] * alphaOf(p[i]);
      }
      ASSERT_EQ(sampleWrappedBilinear(tex, u, v), A ? makeColor(c[0] / A, c[1] / A, c[2] / A, A / 255) : 0)
          << x << "," << y;
    }
  // At scale 0.75 the texture is sampled that way at (x - ox) and (y - oy) view steps.
  stack.setView(-7, 4, 0.75);
  ASSERT_EQ(s->bilinear, 1);
  for (int y = -20; y < 40; y += 7)
    for (int x = -30; x < 40; x += 3)
      ASSERT_EQ(s->textureSample(x, y, -7, 4),
                sampleWrappedBilinear(tex, (x + 7) * int64_t(s->stepX), (y - 4) * int64_t(s->stepY)));
}

TEST(FillSource, AssignCopiesSourcesAndTextures) {
  Image32 tex(8, 8);
  test::fillRandom(tex, 1);
  FillSourceStack a, b;
  a.setBaseColour(0xFF112233u);
  a.addGradient(0, 0, kRed, 50, 50, kBlue, kGradientRadial, kGradientMirror, kGradientTwoColours);
  a.addTexture(tex, 128);
  a.setView(0, 0, 0.4);
  b.addGradient(0, 0, kBlue, 1, 0, kRed, 0, 0, 0);
  ASSERT_TRUE(b.assign(a));
  b.setView(0, 0, 0.4);
  for (int y = 0; y < 30; y += 4)
    for (int x = 0; x < 30; x += 3) EXPECT_EQ(a.evaluate(x, y), b.evaluate(x, y));
  a.clear();  // the copy owns its images
  EXPECT_TRUE(b.assign(b) && b.count() == 2 && b.source(1)->levels[0].hasPixels());
}

TEST(FillSource, DegenerateInputIsSafe) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  FillSourceStack stack;
  FillSource* g = stack.addGradient(nan, 0, kRed, 1e300, -1e300, kBlue, kGradientLinear, kGradientMirror, 0);
  FillSource* r = stack.addGradient(0, 0, kRed, 1e300, 1e300, kBlue, kGradientRadial, kGradientClamp, 0);
  FillSource* q = stack.addGradient(0, 0, kRed, 3e9, 0, kBlue, kGradientRadialInverted, kGradientRepeat, 7);
  ASSERT_TRUE(g && r && q);
  g->repeat = 99;
  for (int x : {-2147483647, -5, 0, 7, 2147483647}) {
    for (int t : {g->gradientT(x, x), r->gradientT(x, -x), q->gradientT(x, 3)})
      EXPECT_TRUE(t >= 0 && t <= 255);
    stack.evaluate(x, x);
  }
  Image32 tex(3, 3);
  tex.fill(0xFF00FF00u);
  ASSERT_NE(stack.addTexture(tex, 255), nullptr);
  for (double scale : {0.0, -1.0, nan, 1e-300, 1e300}) {
    stack.setView(0, 0, scale);
    stack.evaluate(-2147483647, 2147483647);
    stack.evaluate(12345, -6789);
  }
}

}  // namespace
}  // namespace kanvo
