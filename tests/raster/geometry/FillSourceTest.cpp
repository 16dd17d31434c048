#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "raster/geometry/FillSource.h"
#include "raster/pixel/PixelOps.h"

using namespace kanvo;

namespace {

constexpr Color32 kRed = 0xFFFF0000u, kBlue = 0xFF0000FFu;

// The two-colour result for a parameter t, written out from the primitives.
Color32 twoColour(Color32 a, Color32 b, int t) {
  Color32 out = a;
  over(out, b, t);
  return out;
}

}  // namespace

TEST(FillSource, LinearCoefficientsAndRepeatModes) {
  FillSourceStack stack;
  FillSource* g = stack.addGradient(0, 0, kRed, 100, 0, kBlue, kGradientLinear, kGradientClamp, kGradientTwoColours);
  ASSERT_NE(g, nullptr);
  EXPECT_EQ(g->coeff[0], 655);
  EXPECT_EQ(g->coeff[1], 0);
  EXPECT_EQ(g->coeff[2], 0);
  EXPECT_EQ(g->squaredLength, 10000);
  EXPECT_EQ(g->gradientT(100, 7), 255);
  EXPECT_EQ(g->gradientT(-5, 0), 0);
  EXPECT_EQ(g->gradientT(50, 0), 127);  // 655 x 50 >> 8
  EXPECT_EQ(stack.evaluate(-3, 0), kRed);
  EXPECT_EQ(stack.evaluate(0, 0), kRed);
  EXPECT_EQ(stack.evaluate(100, 0), twoColour(kRed, kBlue, 255));
  EXPECT_EQ(stack.evaluate(150, 40), twoColour(kRed, kBlue, 255));
  EXPECT_EQ(stack.evaluate(50, 0), twoColour(kRed, kBlue, 127));

  g->repeat = kGradientRepeat;
  EXPECT_EQ(g->gradientT(101, 0), 2);
  g->repeat = kGradientMirror;
  EXPECT_EQ(g->gradientT(101, 0), 253);
  EXPECT_EQ(g->gradientT(-1, 0), 3);  // -655 >> 8 = -3
  EXPECT_EQ(g->gradientT(-40, 0), 103);  // -26200 >> 8 = -103
  EXPECT_EQ(g->gradientT(-110, 0), 229);  // -72050 >> 8 = -282, mirrored
}

TEST(FillSource, VerticalAndZeroLengthLinear) {
  FillSourceStack stack;
  FillSource* g = stack.addGradient(10, 0, kRed, 10, 200, kBlue, kGradientLinear, kGradientClamp, kGradientTwoColours);
  EXPECT_EQ(g->gradientT(0, 100), g->gradientT(999, 100));
  EXPECT_EQ(g->gradientT(0, 100), int((int64_t(g->coeff[1]) * 100 + g->coeff[2]) >> 8));
  EXPECT_NEAR(g->gradientT(0, 100), 128, 1);

  // Zero length keeps the identity scale: t = (x - P0.x) x 256 before repeat handling.
  FillSource* z = stack.addGradient(5.5, 3, kRed, 5.5, 3, kBlue, kGradientLinear, kGradientRepeat, kGradientTwoColours);
  EXPECT_EQ(z->coeff[0], 65536);
  EXPECT_EQ(z->coeff[2], -5 * 65536 - 32768);
  EXPECT_EQ(z->gradientT(6, 0), 128);
  EXPECT_EQ(z->gradientT(8, 0), (640) & 255);
}

TEST(FillSource, RadialShapes) {
  FillSourceStack stack;
  FillSource* r = stack.addGradient(20, 20, kRed, 30, 20, kBlue, kGradientRadial, kGradientClamp, kGradientTwoColours);
  EXPECT_EQ(r->squaredLength, 100);
  EXPECT_EQ(r->gradientT(25, 20), 63);  // 25 x 255 / 100
  EXPECT_EQ(r->gradientT(20, 30), 255);
  EXPECT_EQ(r->gradientT(20, 20), 0);
  r->shape = kGradientRadialInverted;
  EXPECT_EQ(r->gradientT(25, 20), 255 - 63);
  r->shape = kGradientRadial;
  r->repeat = kGradientRepeat;
  EXPECT_EQ(r->gradientT(25, 20), 127);  // int(5 / 10 x 255)
  EXPECT_EQ(r->gradientT(35, 20), int(15.0 / 10 * 255) & 255);
  r->repeat = kGradientMirror;
  EXPECT_EQ(r->gradientT(35, 20), 255 - (382 & 255));

  FillSource* z = stack.addGradient(1, 1, kRed, 1, 1, kBlue, kGradientRadial, kGradientClamp, kGradientTwoColours);
  EXPECT_EQ(z->gradientT(1, 1), 255);
  z->repeat = kGradientMirror;
  EXPECT_EQ(z->gradientT(9, 1), 0);
}

TEST(FillSource, StackOrderOneColourAndLimit) {
  FillSourceStack stack;
  EXPECT_EQ(stack.evaluate(3, 3), kOpaqueWhite);
  FillSource* one = stack.addGradient(0, 0, 0x80102030u, 10, 0, 0, kGradientLinear, kGradientClamp, kGradientOneColour);
  int t = one->gradientT(4, 0);
  Color32 expected = kOpaqueWhite;
  over(expected, 0x80102030u, 255 - t);
  EXPECT_EQ(stack.evaluate(4, 0), expected);

  // A two-colour gradient on top replaces everything below it; a disabled one is skipped.
  FillSource* two = stack.addGradient(0, 0, kRed, 0, 10, kBlue, kGradientLinear, kGradientClamp, kGradientTwoColours);
  EXPECT_EQ(stack.evaluate(4, 0), kRed);
  two->enabled = 0;
  EXPECT_EQ(stack.evaluate(4, 0), expected);
  EXPECT_EQ(stack.current(), 1);

  while (stack.count() < kMaxFillSources)
    ASSERT_NE(stack.addGradient(0, 0, kRed, 1, 1, kBlue, 0, 0, 0), nullptr);
  EXPECT_EQ(stack.addGradient(0, 0, kRed, 1, 1, kBlue, 0, 0, 0), nullptr);
  EXPECT_EQ(stack.count(), kMaxFillSources);
  stack.clear();
  EXPECT_EQ(stack.count(), 0);
  EXPECT_EQ(stack.evaluate(4, 0), kOpaqueWhite);
}

TEST(FillSource, ViewTransformMovesTheGradient) {
  FillSourceStack stack;
  FillSource* g = stack.addGradient(0, 0, kRed, 100, 0, kBlue, kGradientLinear, kGradientClamp, kGradientTwoColours);
  stack.setView(40, 7, 0.5);
  EXPECT_EQ(g->viewX0, 40.0);
  EXPECT_EQ(g->viewX1, 90.0);
  EXPECT_EQ(g->squaredLength, 2500);
  EXPECT_EQ(g->coeff[0], 1310);  // 65536 / 50
  EXPECT_EQ(stack.evaluate(90, 0), twoColour(kRed, kBlue, 255));
  EXPECT_EQ(stack.evaluate(40, 0), kRed);
}

namespace {

// Random colours, a third of them with random alpha, the others opaque.
void fillRandom(Image32& img, uint32_t seed) {
  std::mt19937 rng(seed);
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x) img.setPixel(x, y, rng() | (rng() % 3 == 0 ? 0u : 0xFF000000u));
}

// The wrapped bilinear sample written out plainly.
Color32 referenceBilinear(const Image32& img, int64_t u, int64_t v) {
  int64_t W = img.width(), H = img.height();
  int fx = int((u >> 8) & 255), fy = int((v >> 8) & 255);
  int w[4] = {(255 - fx) * (255 - fy) / 255, fx * (255 - fy) / 255, (255 - fx) * fy / 255, 0};
  w[3] = 255 - w[0] - w[1] - w[2];
  auto wrap = [](int64_t a, int64_t n) { return ((a % n) + n) % n; };
  int64_t xs[2] = {wrap(u >> 16, W), wrap((u >> 16) + 1, W)}, ys[2] = {wrap(v >> 16, H), wrap((v >> 16) + 1, H)};
  Color32 p[4] = {img.getPixel(int(xs[0]), int(ys[0])), img.getPixel(int(xs[1]), int(ys[0])),
                  img.getPixel(int(xs[0]), int(ys[1])), img.getPixel(int(xs[1]), int(ys[1]))};
  long A = 0;
  for (int i = 0; i < 4; ++i) A += long(w[i]) * alphaOf(p[i]);
  if (A == 0) return 0;
  int out[4];
  for (int b = 0; b < 3; ++b) {
    long sum = 0;
    for (int i = 0; i < 4; ++i) sum += long(byteOf(p[i], b)) * w[i] * alphaOf(p[i]);
    out[b] = int(sum / A);
  }
  out[3] = int(A / 255);
  return makeColor(out[0], out[1], out[2], out[3]);
}

}  // namespace

TEST(FillSource, TextureLevelsAndLevelChoice) {
  Image32 tex(37, 20);
  fillRandom(tex, 5);
  FillSourceStack stack;
  FillSource* s = stack.addTexture(tex, 200);
  ASSERT_NE(s, nullptr);
  // Level sizes: halved, truncated, made even; a size of 0 is held as 1 x 1.
  const int widths[8] = {18, 8, 4, 2, 1, 1, 1, 1}, heights[8] = {10, 4, 2, 1, 1, 1, 1, 1};
  for (int k = 0; k < 8; ++k) {
    EXPECT_EQ(s->levels[size_t(k)].width(), widths[k]) << k;
    EXPECT_EQ(s->levels[size_t(k)].height(), heights[k]) << k;
  }
  EXPECT_EQ(s->levels[0].getPixel(3, 4), tex.downsample2x2(6, 8));
  EXPECT_EQ(s->levels[1].getPixel(2, 1), s->levels[0].downsample2x2(4, 2));

  struct {
    double scale;
    int level;
    int32_t step;
    int bilinear;
  } cases[] = {{2.0, -1, 32768, 0}, {1.0, -1, 65536, 0}, {0.75, -1, 87381, 1}, {0.3, 0, 109226, 1},
               {0.2, 1, 81920, 1},  {0.25, 1, 65536, 0}, {0.003, 6, int32_t(65536 / (0.003 * 128)), 1},
               {0.001, 6, int32_t(65536 / (0.001 * 128)), 1}};
  for (auto c : cases) {
    stack.setView(0, 0, c.scale);
    EXPECT_EQ(s->levelIndex, c.level) << c.scale;
    EXPECT_EQ(s->stepX, c.step) << c.scale;
    EXPECT_EQ(s->bilinear, c.bilinear) << c.scale;
  }
}

TEST(FillSource, TextureSampling) {
  Image32 tex(16, 16);
  fillRandom(tex, 9);
  FillSourceStack stack;
  stack.setBaseColour(0);
  FillSource* s = stack.addTexture(tex, 255);
  // Scale 1: nearest pixels, repeating; positions left of the view origin give a negative
  // remainder and read as transparent.
  stack.setView(3, 2, 1.0);
  for (int y = 2; y < 40; y += 3)
    for (int x = 3; x < 40; x += 5) {
      Color32 expected = 0;
      over(expected, tex.getPixel((x - 3) % 16, (y - 2) % 16), 255);
      EXPECT_EQ(stack.evaluate(x, y), expected);
    }
  EXPECT_EQ(s->textureSample(1, 5, 3, 2), 0u);

  // Scale 0.75: bilinear with wrap-around, also left of the origin.
  stack.setView(-7, 4, 0.75);
  ASSERT_EQ(s->bilinear, 1);
  for (int y = -20; y < 40; y += 7)
    for (int x = -30; x < 40; x += 3) {
      int64_t u = (int64_t(x) + 7) * s->stepX, v = (int64_t(y) - 4) * s->stepY;
      ASSERT_EQ(s->textureSample(x, y, -7, 4), referenceBilinear(tex, u, v)) << x << "," << y;
    }
}

TEST(FillSource, AssignCopiesSourcesAndTextures) {
  Image32 tex(8, 8);
  fillRandom(tex, 1);
  FillSourceStack a, b;
  a.setBaseColour(0xFF112233u);
  a.addGradient(0, 0, kRed, 50, 50, kBlue, kGradientRadial, kGradientMirror, kGradientTwoColours);
  a.addTexture(tex, 128);
  a.setView(0, 0, 0.4);
  b.addGradient(0, 0, kBlue, 1, 0, kRed, 0, 0, 0);
  ASSERT_TRUE(b.assign(a));
  EXPECT_EQ(b.count(), 2);
  EXPECT_EQ(b.baseColour(), 0xFF112233u);
  b.setView(0, 0, 0.4);
  for (int y = 0; y < 30; y += 4)
    for (int x = 0; x < 30; x += 3) EXPECT_EQ(a.evaluate(x, y), b.evaluate(x, y));
  // The copy owns its images.
  EXPECT_NE(&b.source(1)->texture, &a.source(1)->texture);
  EXPECT_EQ(b.source(1)->levels[0].getPixel(1, 1), a.source(1)->levels[0].getPixel(1, 1));
  EXPECT_TRUE(b.assign(b));
  EXPECT_EQ(b.count(), 2);
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
    int t1 = g->gradientT(x, x), t2 = r->gradientT(x, -x), t3 = q->gradientT(x, 3);
    EXPECT_TRUE(t1 >= 0 && t1 <= 255 && t2 >= 0 && t2 <= 255 && t3 >= 0 && t3 <= 255);
    stack.evaluate(x, x);
  }
  Image32 tex(3, 3);
  tex.fill(0xFF00FF00u);
  FillSource* t = stack.addTexture(tex, 255);
  ASSERT_NE(t, nullptr);
  for (double scale : {0.0, -1.0, nan, 1e-300, 1e300}) {
    stack.setView(0, 0, scale);
    stack.evaluate(-2147483647, 2147483647);
    stack.evaluate(12345, -6789);
  }
}
