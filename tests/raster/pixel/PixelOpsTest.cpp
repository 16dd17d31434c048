// The pixel primitives against plain byte-wise references written here, exhaustively over all
// destination/source byte pairs at several weights and alphas, plus hand-computed cases.
#include <gtest/gtest.h>

#include <array>
#include <cstdlib>

#include "raster/pixel/PixelOps.h"

namespace kanvo {
namespace {

// A pixel as four separate ints: 0 blue, 1 green, 2 red, 3 alpha.
using Px = std::array<int, 4>;

Px split(Color32 c) { return {int(c & 255), int(c >> 8 & 255), int(c >> 16 & 255), int(c >> 24)}; }
Color32 join(const Px& p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// --- references, each a direct reading of the formulas ---
Color32 refBlendRgb(Color32 d, Color32 s, int w) {
  Px a = split(d), b = split(s);
  for (int i = 0; i < 3; ++i) a[i] = (a[i] * (255 - w) + b[i] * (w + 1)) / 256;  // operands >= 0
  return join(a);
}
Color32 refAddRgb(Color32 d, Color32 s, int w) {
  Px a = split(d), b = split(s);
  for (int i = 0; i < 3; ++i) a[i] = std::min(a[i] + b[i] * w / 255, 255);
  return join(a);
}
bool whiteRgb(const Px& b) { return b[0] == 255 && b[1] == 255 && b[2] == 255; }
Color32 refMultiplyRgb(Color32 d, Color32 s, int w) {
  Px a = split(d), b = split(s);
  if (whiteRgb(b)) return d;
  for (int i = 0; i < 3; ++i) {
    if (w == 255) {
      a[i] = a[i] * b[i] / 255;
    } else {
      int f = (b[i] - 255) * w / 255 + 255;
      a[i] = f * a[i] / 255;
    }
  }
  return join(a);
}
Color32 refBlendRgbByAlpha(Color32 d, Color32 s, int w) {
  Px a = split(d), b = split(s);
  int k = b[3] * w / 255;
  for (int i = 0; i < 3; ++i) a[i] = (a[i] * (255 - k) + b[i] * (k + 1)) / 256;
  return join(a);
}
Color32 refAddRgbByAlpha(Color32 d, Color32 s, int w) {
  Px a = split(d), b = split(s);
  int k = b[3] * w / 255;
  if (k == 0) return d;
  for (int i = 0; i < 3; ++i) a[i] = std::min(a[i] + b[i] * k / 255, 255);
  return join(a);
}
Color32 refMultiplyRgbByAlpha(Color32 d, Color32 s, int w) {
  Px a = split(d), b = split(s);
  int k = b[3] * w / 255;
  if (whiteRgb(b) || k == 0) return d;
  for (int i = 0; i < 3; ++i) a[i] = ((b[i] - 255) * k / 255 + 255) * a[i] / 255;
  return join(a);
}
Color32 refOver(Color32 d, Color32 s, int w) {
  Px a = split(d), b = split(s);
  int sa = b[3] * w;
  int k = sa / 255;
  int D = sa - k * a[3] + a[3] * 255;
  if (D == 0) return d;
  int e = ((65025 - sa) / 255) * a[3];
  Px out;
  for (int i = 0; i < 3; ++i) out[i] = (a[i] * e + b[i] * sa) / D;
  out[3] = D / 255;
  return join(out);
}
Color32 refLerpRgb(Color32 d, Color32 s, int w) {
  Px a = split(d), b = split(s);
  if (w == 0) return d;
  for (int i = 0; i < 3; ++i) a[i] = w == 255 ? b[i] : (a[i] * (255 - w) + b[i] * w) / 255;
  return join(a);
}
Color32 refBlendRgbAlpha256(Color32 d, Color32 s, int w) {
  Px a = split(d), b = split(s);
  if (w == 0 || b[3] == 0) return d;
  if (b[3] == 255 && w == 255) return join({b[0], b[1], b[2], a[3]});
  int k = ((w + 1) * b[3]) / 256;
  for (int i = 0; i < 3; ++i) a[i] = (a[i] * (255 - k) + b[i] * (k + 1)) / 256;
  return join(a);
}

using Prim = void (*)(Color32&, Color32, int);
using Ref = Color32 (*)(Color32, Color32, int);

// Every (destination byte, source byte) pair in colour byte `lane`, the other bytes fixed.
void exhaustive(Prim prim, Ref ref, int w, int da, int sa, int lane, const char* name) {
  int failures = 0;
  for (int dc = 0; dc < 256; ++dc) {
    for (int sc = 0; sc < 256; ++sc) {
      Px dp{77, 200, 3, da}, sp{255 - dc, sc ^ 0x5A, 255, sa};
      dp[lane] = dc;
      sp[lane] = sc;
      Color32 d = join(dp), s = join(sp);
      Color32 got = d;
      prim(got, s, w);
      Color32 want = ref(d, s, w);
      if (got != want && ++failures < 5)
        ADD_FAILURE() << name << " w=" << w << " da=" << da << " sa=" << sa << " d=" << std::hex << d
                      << " s=" << s << " got " << got << " want " << want;
    }
  }
  EXPECT_EQ(failures, 0) << name;
}

constexpr int kWeights[] = {0, 1, 2, 127, 128, 200, 254, 255};
constexpr int kAlphas[] = {0, 1, 128, 254, 255};

TEST(PixelOps, WeightedPrimitivesMatchReferenceExhaustively) {
  struct Case {
    Prim prim;
    Ref ref;
    const char* name;
  } cases[] = {
      {blendRgb, refBlendRgb, "blendRgb"},
      {addRgb, refAddRgb, "addRgb"},
      {multiplyRgb, refMultiplyRgb, "multiplyRgb"},
      {lerpRgb, refLerpRgb, "lerpRgb"},
  };
  for (const Case& c : cases)
    for (int w : kWeights) exhaustive(c.prim, c.ref, w, 99, 13, w % 3, c.name);
}

TEST(PixelOps, AlphaWeightedPrimitivesMatchReferenceExhaustively) {
  struct Case {
    Prim prim;
    Ref ref;
    const char* name;
  } cases[] = {
      {blendRgbByAlpha, refBlendRgbByAlpha, "blendRgbByAlpha"},
      {addRgbByAlpha, refAddRgbByAlpha, "addRgbByAlpha"},
      {multiplyRgbByAlpha, refMultiplyRgbByAlpha, "multiplyRgbByAlpha"},
      {blendRgbAlpha256, refBlendRgbAlpha256, "blendRgbAlpha256"},
      {over, refOver, "over"},
  };
  for (const Case& c : cases)
    for (int w : kWeights)
      for (int sa : kAlphas) exhaustive(c.prim, c.ref, w, c.prim == over ? 200 : 37, sa, (w + sa) % 3, c.name);
}

TEST(PixelOps, OverMatchesReferenceForEveryAlphaPair) {
  const Color32 colours[][2] = {{0x00000000u, 0x00FFFFFFu}, {0x00FF8001u, 0x00017FFEu}, {0x00FFFFFFu, 0x00000000u}};
  for (int w : kWeights)
    for (int da = 0; da < 256; ++da)
      for (int sa = 0; sa < 256; ++sa)
        for (const auto& c : colours) {
          Color32 d = c[0] | uint32_t(da) << 24, s = c[1] | uint32_t(sa) << 24;
          Color32 got = d;
          over(got, s, w);
          ASSERT_EQ(got, refOver(d, s, w)) << "w=" << w << " da=" << da << " sa=" << sa;
        }
}

TEST(PixelOps, HandComputedCases) {
  // blendRgb: w = 255 gives s exactly, w = 0 is not the identity.
  Color32 d = rgba(255, 255, 255, 9);
  blendRgb(d, rgba(0, 0, 0, 0), 0);
  EXPECT_EQ(d, rgba(254, 254, 254, 9));
  d = rgba(1, 2, 3, 4);
  blendRgb(d, rgba(200, 100, 50, 0), 255);
  EXPECT_EQ(d, rgba(200, 100, 50, 4));

  // over of (10, 20, 30, 128) at full weight onto 0: D = 32640, e = 0.
  d = 0;
  over(d, makeColor(10, 20, 30, 128), 255);
  EXPECT_EQ(d, makeColor(10, 20, 30, 128));
  // Both transparent: D = 0, unchanged (colour bytes kept).
  d = makeColor(5, 6, 7, 0);
  over(d, makeColor(200, 200, 200, 0), 255);
  EXPECT_EQ(d, makeColor(5, 6, 7, 0));
  // sa = 100 x 255 = 25500, k = 100, da = 50: D = 25500 - 5000 + 12750 = 33250,
  // e = (39525 / 255) x 50 = 155 x 50 = 7750; c: (200 x 7750 + 0) / 33250 = 46; a = 130.
  d = makeColor(200, 200, 200, 50);
  over(d, makeColor(0, 0, 0, 100), 255);
  EXPECT_EQ(d, makeColor(46, 46, 46, 130));

  // multiplyRgb: white source changes nothing at any weight.
  for (int w : kWeights) {
    d = rgba(12, 34, 56, 78);
    multiplyRgb(d, rgba(255, 255, 255, 0), w);
    EXPECT_EQ(d, rgba(12, 34, 56, 78));
  }
  // f = (100 - 255) x 128 / 255 + 255 = -77 + 255 = 178 (truncating towards zero);
  // 178 x 200 / 255 = 139.
  d = makeColor(200, 200, 200, 1);
  multiplyRgb(d, makeColor(100, 100, 100, 0), 128);
  EXPECT_EQ(d, makeColor(139, 139, 139, 1));

  // addRgb: 200 + 100 x 128 / 255 = 250; clamps at 255.
  d = makeColor(200, 250, 0, 3);
  addRgb(d, makeColor(100, 100, 0, 0), 128);
  EXPECT_EQ(d, makeColor(250, 255, 0, 3));

  // lerpRgb: (10 x 155 + 250 x 100) / 255 = 104.
  d = makeColor(10, 10, 10, 0);
  lerpRgb(d, makeColor(250, 250, 250, 7), 100);
  EXPECT_EQ(d, makeColor(104, 104, 104, 0));

  // blendRgbAlpha256: k = (101 x 200) >> 8 = 78; (10 x 177 + 250 x 79) >> 8 = 84.
  d = makeColor(10, 10, 10, 0);
  blendRgbAlpha256(d, makeColor(250, 250, 250, 200), 100);
  EXPECT_EQ(d, makeColor(84, 84, 84, 0));

  // blendRgbByAlpha: k = 128 x 255 / 255 = 128; (0 x 127 + 255 x 129) >> 8 = 128.
  d = makeColor(0, 0, 0, 77);
  blendRgbByAlpha(d, makeColor(255, 255, 255, 128), 255);
  EXPECT_EQ(d, makeColor(128, 128, 128, 77));

  // addRgbByAlpha and multiplyRgbByAlpha do nothing when k = 0.
  d = makeColor(1, 2, 3, 4);
  addRgbByAlpha(d, makeColor(255, 255, 255, 1), 254);
  multiplyRgbByAlpha(d, makeColor(0, 0, 0, 1), 254);
  EXPECT_EQ(d, makeColor(1, 2, 3, 4));
}

TEST(PixelOps, ByteForms) {
  for (int w : kWeights)
    for (int dv = 0; dv < 256; ++dv)
      for (int sv = 0; sv < 256; ++sv) {
        uint8_t m = uint8_t(dv), a = uint8_t(dv), s = uint8_t(dv);
        mix8(m, sv, w);
        add8(a, sv, w);
        subtract8(s, sv, w);
        int wantMix = w == 0 ? dv : w == 255 ? sv : ((255 - w) * dv + sv * w) / 255;
        ASSERT_EQ(m, wantMix) << dv << " " << sv << " " << w;
        ASSERT_EQ(a, std::min(dv + sv * w / 255, 255));
        ASSERT_EQ(s, std::max(dv - sv * w / 255, 0));
      }
}

TEST(PixelOps, FlattenOntoWhite) {
  for (int a = 0; a < 256; ++a)
    for (int c = 0; c < 256; ++c) {
      Color32 got = flattenOntoWhite(makeColor(c, 255 - c, c / 2, a));
      int f0 = (255 * (255 - a) + c * (a + 1)) >> 8;
      int f1 = (255 * (255 - a) + (255 - c) * (a + 1)) >> 8;
      int f2 = (255 * (255 - a) + (c / 2) * (a + 1)) >> 8;
      ASSERT_EQ(got, makeColor(f0, f1, f2, 255)) << a << " " << c;
    }
  EXPECT_EQ(flattenOntoWhite(makeColor(0, 0, 0, 0)), makeColor(254, 254, 254, 255));
}

TEST(PixelOps, Reductions) {
  EXPECT_EQ(meanRgba2x2(makeColor(9, 9, 9, 0), makeColor(1, 2, 3, 0), 0, makeColor(255, 0, 0, 0)), 0u);
  // A = 255 + 85 = 340; blue (200 x 255 + 20 x 85) / 340 = 155; alpha 340 >> 2 = 85.
  EXPECT_EQ(meanRgba2x2(makeColor(200, 0, 90, 255), makeColor(20, 0, 30, 85), makeColor(7, 7, 7, 0), 0),
            makeColor(155, 0, 75, 85));
  EXPECT_EQ(mean8x2x2(255, 255, 255, 254), 254);
  EXPECT_EQ(mean8x2x2(1, 1, 1, 0), 0);

  EXPECT_EQ(luminance(rgba(255, 255, 255)), 255);
  EXPECT_EQ(luminance(rgba(255, 0, 0)), 76);   // 255 x 19595 / 65535 = 76.2
  EXPECT_EQ(luminance(rgba(0, 255, 0)), 149);  // 255 x 38469 / 65535 = 149.7
  EXPECT_EQ(luminance(rgba(0, 0, 255)), 29);   // 255 x 7471 / 65535 = 29.07
  for (uint32_t v = 0; v < (1u << 24); v += 4093) {
    Color32 c = v | 0xAB000000u;
    int want = (redOf(c) * 19595 + greenOf(c) * 38469 + blueOf(c) * 7471) / 65535;
    ASSERT_EQ(luminance(c), std::min(want, 255));
    ASSERT_EQ(greyMean(c), (redOf(c) + greenOf(c) + blueOf(c)) / 3);
  }

  EXPECT_EQ(colourDistanceSquared(makeColor(0, 10, 20, 0), makeColor(3, 6, 20, 99)), 9 + 16);
  EXPECT_EQ(colourDifference(makeColor(1, 2, 3, 4), makeColor(1, 2, 3, 4)), 0);
  EXPECT_EQ(colourDifference(makeColor(1, 2, 3, 4), makeColor(1, 2, 3, 5)), 1);   // 1 >> 2 = 0 -> 1
  EXPECT_EQ(colourDifference(makeColor(0, 0, 0, 0), makeColor(255, 255, 255, 255)), 255);
  EXPECT_EQ(colourDifference(makeColor(10, 0, 0, 0), makeColor(0, 0, 0, 7)), 4);  // 17 >> 2
  EXPECT_EQ(byteDifference(3, 250), 247);
  EXPECT_EQ(bitDifference(2, 4), 0);
  EXPECT_EQ(bitDifference(2, 3), 255);
}

}  // namespace
}  // namespace kanvo
