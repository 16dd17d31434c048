// The spans that paint a colour onto a 32-bit row by an 8-bit coverage row (plain and masked)
// or by a 1-bit row, against per-pixel references built from the pixel primitives.
#include <gtest/gtest.h>

#include <vector>

#include "raster/pixel/PixelOps.h"
#include "raster/span/SpanOps.h"
#include "support/CompositeReference.h"
#include "support/SpanRows.h"

namespace kanvo {
namespace {

using test::applied;
using test::perByte;
using test::RowMaker;
using test::rowMatches;
using test::runSpan32;
using test::spanParams;

constexpr Color32 kRgb = 0x00FFFFFFu;

// The coverage span, one pixel; P is the paint with 0 already taken as opaque black. Beside the
// layer ops the compositor reference knows, the palette (17), the plain blend (4), the inverted
// coverage (18) and the alpha cuts (20, 21).
Color32 refCoverage(int op, Color32 d, int c, int w, Color32 P, const Color32* palette) {
  const int k = c * w / 255;
  if (op == 17) return applied(blendRgb, d, palette[c], w);
  if (op == 18) return test::referenceCoverage(d, 255 - c, P, kOpReplaceColour, w);
  if (op == 4) return c == 0 ? d : k == 255 ? P : applied(blendRgb, d, P, k);
  if (op == 20 || op == 21) {
    const int t = alphaOf(d) - (op == 20 ? c : 255 - c) * w / 255;
    return t > 0 || (op == 21 && t == 0) ? (d & kRgb) | uint32_t(t) << 24 : 0;
  }
  return test::referenceCoverage(d, c, P, op, w);
}

TEST(CoverageSpan32, EveryOpMatchesPerPixelReference) {
  RowMaker make(77);
  const std::vector<Color32> palette = make.pixels(256);
  for (int op : {17, 4, 12, 18, 23, 14, 13, 20, 21, 22, 0, 1, 3, 5, 8, 99})
    for (int w : test::kOpacities)
      for (Color32 paint : {Color32(0), make.pixel(), kOpaqueWhite, makeColor(10, 200, 30, 128)}) {
        const auto cov = make.bytes(200);
        const auto dst = make.pixels(200);
        const Color32 P = paint == 0 ? kOpaqueBlack : paint;
        ASSERT_TRUE(rowMatches(
            runSpan32(coverageSpan32, spanParams(op, w, 0, paint, palette.data()), cov, 3, dst, 1, 190), dst,
            1, 190,
            [&](int i) {
              return refCoverage(op, dst[size_t(1 + i)], cov[size_t(3 + i)], w, P, palette.data());
            }))
            << "op " << op << " opacity " << w << " paint " << std::hex << paint;
      }
  const std::vector<uint8_t> cov = {1, 2};  // no palette: op 17 does nothing
  EXPECT_EQ(runSpan32(coverageSpan32, spanParams(kOpPalette, 255), cov, 0, {5, 6}, 0, 2),
            (std::vector<Color32>{5, 6}));
}

// The masked span, one pixel.
Color32 refMasked(int op, Color32 d, int c, int m, int w, Color32 P) {
  if (c == 0 || m == 0 || (op != 12 && op != 23)) return d;
  int k = c;
  if (w < 255) k = k * w / 255;
  if (m < 255) k = k * m / 255;
  if (op == 23) return test::paintOver(d, P, k);
  if (k == 255) return (d & ~kRgb) | (P & kRgb);
  return perByte(d, P,
                 [k2 = alphaOf(P) * k / 255](int dc, int pc) { return (dc * (255 - k2) + pc * k2) / 255; });
}

TEST(MaskedCoverageSpan32, EveryOpMatchesPerPixelReference) {
  RowMaker make(3);
  for (int op : {12, 23, 4, 0})
    for (int w : test::kOpacities) {
      const auto c = make.bytes(150), m = make.bytes(150);
      const auto dst = make.pixels(150);
      const SpanParams p = spanParams(op, w, 0, make.pixel());
      std::vector<Color32> got = dst;
      maskedCoverageSpan32(p, c.data(), 2, m.data(), 5, reinterpret_cast<uint8_t*>(got.data()), 1, 144);
      ASSERT_TRUE(rowMatches(got, dst, 1, 144,
                             [&](int i) {
                               return refMasked(op, dst[size_t(1 + i)], c[size_t(2 + i)], m[size_t(5 + i)], w,
                                                p.paint);
                             }))
          << op << " " << w;
    }
}

// The bit span, one pixel: the two fills (0, 2) and the inversion (3), then the layer ops.
Color32 refBit(int op, Color32 d, int bit, int w, Color32 P) {
  if (op == 0 || op == 2) return bit ? kOpaqueBlack : op == 0 ? kOpaqueWhite : d;
  if (op == 3 && bit && w > 0) return w == 255 ? ~d : applied(blendRgb, d, ~d, w);
  return test::referenceBit(d, bit, P, op, w);
}

TEST(BitSpan32, EveryOpMatchesPerPixelReference) {
  RowMaker make(8);
  for (int op : {0, 2, 3, 12, 13, 14, 22, 23, 1, 4, 17})
    for (int w : test::kOpacities)
      for (int srcBit = 0; srcBit < 8; ++srcBit) {
        const auto bits = make.bytes(12);
        const auto dst = make.pixels(70);
        const SpanParams p = spanParams(op, w, 0, make.pixel());
        auto bit = [&](int i) { return bits[size_t((srcBit + i) / 8)] >> ((srcBit + i) % 8) & 1; };
        ASSERT_TRUE(rowMatches(runSpan32(bitSpan32, p, bits, srcBit, dst, 2, 66), dst, 2, 66,
                               [&](int i) { return refBit(op, dst[size_t(2 + i)], bit(i), w, p.paint); }))
            << "op " << op << " opacity " << w;
      }
}

}  // namespace
}  // namespace kanvo
