// The coverage-to-colour spans (plain, scaled, masked) against a per-pixel reference built from
// the pixel primitives.
#include <gtest/gtest.h>

#include <vector>

#include "raster/pixel/PixelOps.h"
#include "raster/span/SpanOps.h"
#include "support/SpanRows.h"

namespace kanvo {
namespace {

using test::applied;
using test::flattened;
using test::perByte;
using test::RowMaker;
using test::rowMatches;
using test::runSpan32;

constexpr Color32 kRgb = 0x00FFFFFFu;

// The coverage span, one pixel; P is the paint with 0 already taken as opaque black.
Color32 refCoverage(int op, Color32 d, int c, int w, Color32 P, const Color32* palette) {
  const int cover = op == 18 ? 255 - c : c, k = cover * w / 255, da = alphaOf(d);
  if (op == 17) return applied(blendRgb, d, palette[c], w);
  if (op == 4 || op == 12 || op == 18) {
    if (cover == 0 || (op != 4 && w == 0)) return d;
    return k == 255 ? P : applied(op == 4 ? blendRgb : blendRgbByAlpha, d, P, k);
  }
  if (op == 20 || op == 21) {
    const int t = da - (op == 20 ? c : 255 - c) * w / 255;
    return t > 0 || (op == 21 && t == 0) ? (d & kRgb) | uint32_t(t) << 24 : 0;
  }
  if (c == 0) return d;
  if (op == 23 && alphaOf(P) == 255 && w == 255 && c == 255) return P;
  if (op == 23 && da == 255) return perByte(d, P, [k](int dc, int pc) { return dc + (pc - dc) * k / 255; });
  if (op == 23 && da == 0) return (P & kRgb) | uint32_t(w < 255 ? k : c) << 24;
  if (op == 23) return applied(over, d, P, k);
  if (op == 14) return applied(addRgbByAlpha, d, P, c);
  if (op == 13) return applied(multiplyRgbByAlpha, flattened(d), P, c);
  if (op == 22)
    return perByte(flattened(d), P, [t = k + 1, w](int dc, int pc) {
      return dc + (255 - 2 * dc) * (t * ((255 - pc) * w / 255) >> 8) / 255;
    });
  return d;
}

TEST(CoverageSpan32, EveryOpMatchesPerPixelReference) {
  RowMaker make(77);
  const std::vector<Color32> palette = make.pixels(256);
  for (int op : {17, 4, 12, 18, 23, 14, 13, 20, 21, 22, 0, 1, 3, 5, 8, 99})
    for (int w : test::kOpacities)
      for (Color32 paint : {Color32(0), make.pixel(), kOpaqueWhite, makeColor(10, 200, 30, 128)}) {
        const auto cov = make.bytes(200);
        const auto dst = make.pixels(200);
        SpanParams p;
        p.op = op;
        p.opacity = uint8_t(w);
        p.paint = paint;
        p.palette = palette.data();
        const Color32 P = paint == 0 ? kOpaqueBlack : paint;
        ASSERT_TRUE(rowMatches(runSpan32(coverageSpan32, p, cov, 3, dst, 1, 190), dst, 1, 190,
                               [&](int i) {
                                 return refCoverage(op, dst[size_t(1 + i)], cov[size_t(3 + i)], w, P,
                                                    palette.data());
                               }))
            << "op " << op << " opacity " << w << " paint " << std::hex << paint;
      }
  SpanParams p;  // no palette: op 17 does nothing
  p.op = kOpPalette;
  EXPECT_EQ(runSpan32(coverageSpan32, p, std::vector<uint8_t>{1, 2}, 0, {5, 6}, 0, 2),
            (std::vector<Color32>{5, 6}));
}

TEST(CoverageSpan32, ScaledEqualsGatherThenCover) {
  RowMaker make(11);
  const std::vector<Color32> palette = make.pixels(256);
  for (int op : {12, 13, 14, 17, 18, 22, 23, 4, 20, 21})
    for (int32_t step : {65536, 40000, 200000, 7}) {
      const int count = 60;
      const int32_t start = 70000;
      const auto cov = make.bytes(size_t((start + int64_t(step) * count) >> 16) + 1);
      const auto dst = make.pixels(count);
      std::vector<uint8_t> gathered(count);
      for (int i = 0; i < count; ++i) gathered[size_t(i)] = cov[size_t((start + int64_t(i) * step) >> 16)];
      SpanParams p;
      p.op = op;
      p.opacity = 200;
      p.paint = op == 22 ? 0 : make.pixel();
      p.palette = palette.data();
      std::vector<uint8_t> d = test::toBytes(dst);
      coverageSpan32Scaled(p, cov.data(), start, step, d.data(), 0, count);
      const bool scaledOp = op != 4 && op != 20 && op != 21;
      EXPECT_EQ(test::toPixels(d), scaledOp ? runSpan32(coverageSpan32, p, gathered, 0, dst, 0, count) : dst)
          << op;
    }
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
      const int n = 150;
      const auto c = make.bytes(n), m = make.bytes(n);
      const auto dst = make.pixels(n);
      SpanParams p;
      p.op = op;
      p.opacity = uint8_t(w);
      p.paint = make.pixel();
      std::vector<uint8_t> d = test::toBytes(dst);
      maskedCoverageSpan32(p, c.data(), 2, m.data(), 5, d.data(), 1, n - 6);
      ASSERT_TRUE(rowMatches(test::toPixels(d), dst, 1, n - 6,
                             [&](int i) {
                               return refMasked(op, dst[size_t(1 + i)], c[size_t(2 + i)], m[size_t(5 + i)], w,
                                                p.paint);
                             }))
          << op << " " << w;
    }
}

}  // namespace
}  // namespace kanvo
