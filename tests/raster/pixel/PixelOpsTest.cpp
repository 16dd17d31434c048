// The pixel primitives against plain byte-wise references, exhaustively over every pair of
// destination and source bytes at the weights and alphas where the formulas change.
#include "raster/pixel/PixelOps.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "support/PixelReference.h"

namespace kanvo {
namespace {

using test::perByte;

Color32 refBlendRgb(Color32 d, Color32 s, int w) {
  return perByte(d, s, [w](int dc, int sc) { return (dc * (255 - w) + sc * (w + 1)) / 256; });
}
Color32 refAddRgb(Color32 d, Color32 s, int w) {
  return perByte(d, s, [w](int dc, int sc) { return std::min(dc + sc * w / 255, 255); });
}
Color32 refMultiplyRgb(Color32 d, Color32 s, int w) {
  if ((s & 0xFFFFFFu) == 0xFFFFFFu) return d;
  return perByte(d, s, [w](int dc, int sc) {
    return w == 255 ? dc * sc / 255 : ((sc - 255) * w / 255 + 255) * dc / 255;
  });
}
Color32 refLerpRgb(Color32 d, Color32 s, int w) {
  if (w == 0) return d;
  return perByte(d, s, [w](int dc, int sc) { return w == 255 ? sc : (dc * (255 - w) + sc * w) / 255; });
}
int alphaWeight(Color32 s, int w) {
  return alphaOf(s) * w / 255;
}
Color32 refBlendRgbByAlpha(Color32 d, Color32 s, int w) {
  return refBlendRgb(d, s, alphaWeight(s, w));
}
Color32 refAddRgbByAlpha(Color32 d, Color32 s, int w) {
  return alphaWeight(s, w) == 0 ? d : refAddRgb(d, s, alphaWeight(s, w));
}
Color32 refMultiplyRgbByAlpha(Color32 d, Color32 s, int w) {
  return alphaWeight(s, w) == 0 ? d : refMultiplyRgb(d, s, alphaWeight(s, w));
}
Color32 refBlendRgbAlpha256(Color32 d, Color32 s, int w) {
  if (w == 0 || alphaOf(s) == 0) return d;
  if (w == 255 && alphaOf(s) == 255) return (d & 0xFF000000u) | (s & 0xFFFFFFu);
  return refBlendRgb(d, s, (w + 1) * alphaOf(s) / 256);
}
Color32 refOver(Color32 d, Color32 s, int w) {
  const int sa = alphaOf(s) * w, da = alphaOf(d);
  const int D = sa - sa / 255 * da + da * 255;
  if (D == 0) return d;
  const int e = (65025 - sa) / 255 * da;
  Color32 out = perByte(d, s, [sa, e, D](int dc, int sc) { return (dc * e + sc * sa) / D; });
  return (out & 0xFFFFFFu) | uint32_t(D / 255) << 24;
}

using Prim = void (*)(Color32&, Color32, int);
using Ref = Color32 (*)(Color32, Color32, int);
constexpr int kWeights[] = {0, 1, 2, 127, 128, 200, 254, 255};

TEST(PixelOps, PrimitivesMatchReferenceForEveryBytePair) {
  const struct {
    Prim prim;
    Ref ref;
    bool byAlpha;
    const char* name;
  } cases[] = {{blendRgb, refBlendRgb, false, "blendRgb"},
               {addRgb, refAddRgb, false, "addRgb"},
               {multiplyRgb, refMultiplyRgb, false, "multiplyRgb"},
               {lerpRgb, refLerpRgb, false, "lerpRgb"},
               {blendRgbByAlpha, refBlendRgbByAlpha, true, "blendRgbByAlpha"},
               {addRgbByAlpha, refAddRgbByAlpha, true, "addRgbByAlpha"},
               {multiplyRgbByAlpha, refMultiplyRgbByAlpha, true, "multiplyRgbByAlpha"},
               {blendRgbAlpha256, refBlendRgbAlpha256, true, "blendRgbAlpha256"},
               {over, refOver, true, "over"}};
  for (const auto& c : cases)
    for (int w : kWeights)
      for (int sa : c.byAlpha ? std::vector<int>{0, 1, 128, 254, 255} : std::vector<int>{13}) {
        // Every (destination, source) pair in one colour byte, the other bytes fixed.
        const int lane = (w + sa) % 3, da = c.prim == over ? 200 : 37;
        int failures = 0;
        for (int dc = 0; dc < 256; ++dc)
          for (int sc = 0; sc < 256; ++sc) {
            Color32 d = makeColor(77, 200, 3, da), s = makeColor(255 - dc, sc ^ 0x5A, 255, sa);
            d = (d & ~(0xFFu << (8 * lane))) | uint32_t(dc) << (8 * lane);
            s = (s & ~(0xFFu << (8 * lane))) | uint32_t(sc) << (8 * lane);
            Color32 got = d;
            c.prim(got, s, w);
            if (got != c.ref(d, s, w) && ++failures < 5)
              ADD_FAILURE() << c.name << " w=" << w << std::hex << " d=" << d << " s=" << s << " got " << got;
          }
        EXPECT_EQ(failures, 0) << c.name;
      }
}

TEST(PixelOps, OverMatchesReferenceForEveryAlphaPair) {
  const Color32 colours[][2] = {{0, 0xFFFFFF}, {0xFF8001, 0x017FFE}, {0xFFFFFF, 0}};
  for (int w : kWeights)
    for (int da = 0; da < 256; ++da)
      for (int sa = 0; sa < 256; ++sa)
        for (const auto& c : colours) {
          Color32 d = c[0] | uint32_t(da) << 24, s = c[1] | uint32_t(sa) << 24, got = d;
          over(got, s, w);
          ASSERT_EQ(got, refOver(d, s, w)) << "w=" << w << " da=" << da << " sa=" << sa;
        }
}

TEST(PixelOps, ByteFormsAndFlattening) {
  for (int w : kWeights)
    for (int dv = 0; dv < 256; ++dv)
      for (int sv = 0; sv < 256; ++sv) {
        uint8_t m = uint8_t(dv), a = uint8_t(dv), s = uint8_t(dv);
        mix8(m, sv, w);
        add8(a, sv, w);
        subtract8(s, sv, w);
        ASSERT_EQ(m, byteOf(refLerpRgb(uint32_t(dv), uint32_t(sv), w), 0)) << dv << " " << sv << " " << w;
        ASSERT_EQ(a, std::min(dv + sv * w / 255, 255));
        ASSERT_EQ(s, std::max(dv - sv * w / 255, 0));
      }
  for (int a = 0; a < 256; ++a)
    for (int c = 0; c < 256; ++c) {
      const Color32 d = makeColor(c, 255 - c, c / 2, a);
      ASSERT_EQ(flattenOntoWhite(d), refBlendRgb(kOpaqueWhite, d, a)) << a << " " << c;
    }
}

TEST(PixelOps, Measures) {
  EXPECT_EQ(meanRgba2x2(makeColor(9, 9, 9, 0), makeColor(1, 2, 3, 0), 0, 0), 0u);
  // A = 255 + 85 = 340; blue (200 x 255 + 20 x 85) / 340 = 155; alpha 340 >> 2 = 85.
  EXPECT_EQ(meanRgba2x2(makeColor(200, 0, 90, 255), makeColor(20, 0, 30, 85), makeColor(7, 7, 7, 0), 0),
            makeColor(155, 0, 75, 85));
  EXPECT_TRUE(luminance(rgba(255, 255, 255)) == 255 && luminance(rgba(255, 0, 0)) == 76 &&
              luminance(rgba(0, 255, 0)) == 149 && luminance(rgba(0, 0, 255)) == 29);
  EXPECT_EQ(colourDistanceSquared(makeColor(0, 10, 20, 0), makeColor(3, 6, 20, 99)), 9 + 16);
}

}  // namespace
}  // namespace kanvo
