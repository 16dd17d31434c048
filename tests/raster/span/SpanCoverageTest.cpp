// The coverage-to-colour spans (plain, scaled, masked) against hand-computed cases and a
// per-pixel reference built from the pixel primitives.
#include <gtest/gtest.h>

#include <vector>

#include "raster/pixel/PixelOps.h"
#include "raster/span/SpanOps.h"
#include "support/SpanRows.h"

namespace kanvo {
namespace {

using test::RowMaker;

constexpr Color32 kRgb = 0x00FFFFFFu;

Color32 invertTowards(Color32 d, const int q[3], int k) {
  if (alphaOf(d) < 255) d = flattenOntoWhite(d);
  Color32 out = d & ~kRgb;
  for (int i = 0; i < 3; ++i) {
    int dc = byteOf(d, i), t = (k * q[i]) >> 8;
    out |= uint32_t(dc + (255 - 2 * dc) * t / 255) << (8 * i);
  }
  return out;
}

// The coverage span, one pixel (paint already replaced when 0).
Color32 refCoverage(int op, Color32 d, int c, int w, Color32 P, const Color32* palette) {
  const int da = alphaOf(d);
  switch (op) {
    case 17: blendRgb(d, palette[c], w); return d;
    case 4:
    case 12: {
      if (c == 0 || (op == 12 && w == 0)) return d;
      int k = c * w / 255;
      if (k == 255) return P;
      if (op == 4) blendRgb(d, P, k);
      else blendRgbByAlpha(d, P, k);
      return d;
    }
    case 18: {
      if (c == 255 || w == 0) return d;
      int k = (255 - c) * w / 255;
      if (k == 255) return P;
      blendRgbByAlpha(d, P, k);
      return d;
    }
    case 23: {
      if (c == 0) return d;
      if (alphaOf(P) == 255 && w == 255 && c == 255) return P;
      int k = c * w / 255;
      if (da == 255) {
        Color32 out = d & ~kRgb;
        for (int i = 0; i < 3; ++i)
          out |= uint32_t(byteOf(d, i) + (byteOf(P, i) - byteOf(d, i)) * k / 255) << (8 * i);
        return out;
      }
      if (da == 0) return (P & kRgb) | uint32_t(w < 255 ? c * w / 255 : c) << 24;
      over(d, P, k);
      return d;
    }
    case 14: if (c != 0) addRgbByAlpha(d, P, c); return d;
    case 13:
      if (c == 0) return d;
      if (da < 255) d = flattenOntoWhite(d);
      multiplyRgbByAlpha(d, P, c);
      return d;
    case 20: {
      int t = da - c * w / 255;
      return t > 0 ? (d & kRgb) | uint32_t(t) << 24 : 0;
    }
    case 21: {
      int t = da - (255 - c) * w / 255;
      return t >= 0 ? (d & kRgb) | uint32_t(t) << 24 : 0;
    }
    case 22: {
      if (c == 0) return d;
      int q[3];
      for (int i = 0; i < 3; ++i) q[i] = (255 - byteOf(P, i)) * w / 255;
      return invertTowards(d, q, c * w / 255 + 1);
    }
    default: return d;
  }
}

std::vector<Color32> runCoverage(const SpanParams& p, std::vector<uint8_t> cov, std::vector<Color32> dst, int srcX,
                                 int dstX, int count) {
  std::vector<uint8_t> d = test::toBytes(dst);
  coverageSpan32(p, cov.data(), srcX, d.data(), dstX, count);
  return test::toPixels(d);
}

Color32 one(int op, int w, Color32 paint, int c, Color32 d) {
  SpanParams p;
  p.op = op;
  p.opacity = uint8_t(w);
  p.paint = paint;
  return runCoverage(p, {uint8_t(c)}, {d}, 0, 0, 1)[0];
}

TEST(CoverageSpan32, HandComputed) {
  // Paint colour 0 paints opaque black.
  EXPECT_EQ(one(4, 255, 0, 255, kOpaqueWhite), kOpaqueBlack);
  EXPECT_EQ(one(23, 255, 0, 255, makeColor(9, 9, 9, 9)), kOpaqueBlack);
  // Op 4 at opacity 0 still blends with w = 0: (255 x 255 + 0 x 1) >> 8 = 254.
  EXPECT_EQ(one(4, 0, kOpaqueBlack, 200, kOpaqueWhite), makeColor(254, 254, 254, 255));
  EXPECT_EQ(one(4, 0, kOpaqueBlack, 0, kOpaqueWhite), kOpaqueWhite);
  EXPECT_EQ(one(12, 0, kOpaqueBlack, 200, kOpaqueWhite), kOpaqueWhite);
  // Op 12: k = 128; blendRgbByAlpha k' = 255 x 128 / 255 = 128: (255 x 127 + 0) >> 8 = 126.
  EXPECT_EQ(one(12, 255, kOpaqueBlack, 128, kOpaqueWhite), makeColor(126, 126, 126, 255));
  // Op 18 paints where coverage is low.
  EXPECT_EQ(one(18, 255, rgba(1, 2, 3, 4), 0, kOpaqueWhite), rgba(1, 2, 3, 4));
  EXPECT_EQ(one(18, 255, rgba(1, 2, 3, 4), 255, kOpaqueWhite), kOpaqueWhite);
  // Op 23 onto opaque: k = 128: 0 + 255 x 128 / 255 = 128; 255 + (-255 x 128) / 255 = 127.
  EXPECT_EQ(one(23, 255, makeColor(255, 0, 255, 200), 128, makeColor(0, 255, 0, 255)), makeColor(128, 127, 128, 255));
  // Op 23 onto transparent: alpha c, or c x opacity / 255 = 128 x 128 / 255 = 64.
  EXPECT_EQ(one(23, 255, makeColor(1, 2, 3, 40), 128, 0), makeColor(1, 2, 3, 128));
  EXPECT_EQ(one(23, 128, makeColor(1, 2, 3, 40), 128, 0), makeColor(1, 2, 3, 64));
  // Op 20: c x opacity / 255 = 100 = d.a gives 0; op 21 with the same amount keeps colour, alpha 0.
  EXPECT_EQ(one(20, 255, 0, 100, makeColor(10, 20, 30, 100)), 0u);
  EXPECT_EQ(one(20, 255, 0, 99, makeColor(10, 20, 30, 100)), makeColor(10, 20, 30, 1));
  EXPECT_EQ(one(21, 255, 0, 155, makeColor(10, 20, 30, 100)), makeColor(10, 20, 30, 0));
  EXPECT_EQ(one(21, 255, 0, 154, makeColor(10, 20, 30, 100)), 0u);
  EXPECT_EQ(one(20, 255, 0, 0, makeColor(10, 20, 30, 0)), 0u);  // the formula applies at c = 0 too
  // Op 22 with black paint at full coverage inverts: q = 255, k = 256, t = 255.
  EXPECT_EQ(one(22, 255, kOpaqueBlack, 255, makeColor(0, 100, 255, 255)), makeColor(255, 155, 0, 255));
  // Op 14: 10 + 200 x 128 / 255 = 110 (w = c, opacity unused).
  EXPECT_EQ(one(14, 0, makeColor(200, 200, 200, 255), 128, makeColor(10, 10, 10, 255)), makeColor(110, 110, 110, 255));
  // Op 13 onto opaque: f = (0 - 255) x 255 / 255 + 255 = 0.
  EXPECT_EQ(one(13, 0, kOpaqueBlack, 255, makeColor(10, 10, 10, 255)), makeColor(0, 0, 0, 255));
}

TEST(CoverageSpan32, EveryOpMatchesPerPixelReference) {
  RowMaker make(77);
  std::vector<Color32> palette = make.pixels(256);
  for (int op : {17, 4, 12, 18, 23, 14, 13, 20, 21, 22, 0, 1, 3, 5, 8, 99})
    for (int w : test::kOpacities)
      for (Color32 paint : {Color32(0), make.pixel(), makeColor(255, 255, 255, 255), makeColor(10, 200, 30, 128)}) {
        const int n = 200, srcX = 3, dstX = 1, count = 190;
        auto cov = make.bytes(n);
        auto dst = make.pixels(n);
        SpanParams p;
        p.op = op;
        p.opacity = uint8_t(w);
        p.paint = paint;
        p.palette = palette.data();
        auto got = runCoverage(p, cov, dst, srcX, dstX, count);
        Color32 P = paint == 0 ? kOpaqueBlack : paint;
        for (int i = 0; i < n; ++i) {
          bool inside = i >= dstX && i < dstX + count;
          Color32 want = inside ? refCoverage(op, dst[i], cov[i - dstX + srcX], w, P, palette.data()) : dst[i];
          ASSERT_EQ(got[i], want) << "op " << op << " opacity " << w << " pixel " << i;
        }
      }
  // No palette: op 17 does nothing.
  SpanParams p;
  p.op = kOpPalette;
  EXPECT_EQ(runCoverage(p, {1, 2}, {5, 6}, 0, 0, 2), (std::vector<Color32>{5, 6}));
}

TEST(CoverageSpan32, ScaledEqualsGatherThenCover) {
  RowMaker make(11);
  std::vector<Color32> palette = make.pixels(256);
  for (int op : {12, 13, 14, 17, 18, 22, 23, 4, 20, 21})
    for (int32_t step : {65536, 40000, 200000, 7}) {
      const int count = 60;
      const int32_t start = 70000;
      auto cov = make.bytes(size_t((start + int64_t(step) * count) >> 16) + 1);
      auto dst = make.pixels(count);
      std::vector<uint8_t> gathered(count);
      for (int i = 0; i < count; ++i) gathered[i] = cov[size_t((start + int64_t(i) * step) >> 16)];
      SpanParams p;
      p.op = op;
      p.opacity = 200;
      p.paint = op == 22 ? 0 : make.pixel();
      p.palette = palette.data();
      std::vector<uint8_t> d = test::toBytes(dst);
      coverageSpan32Scaled(p, cov.data(), start, step, d.data(), 0, count);
      bool scaledOp = op != 4 && op != 20 && op != 21;
      EXPECT_EQ(test::toPixels(d), scaledOp ? runCoverage(p, gathered, dst, 0, 0, count) : dst) << op;
    }
}

// The masked span, one pixel.
Color32 refMasked(int op, Color32 d, int c, int m, int w, Color32 P) {
  if (c == 0 || m == 0) return d;
  int k = c;
  if (w < 255) k = k * w / 255;
  if (m < 255) k = k * m / 255;
  if (op == 12) {
    if (k == 255) return (d & ~kRgb) | (P & kRgb);
    int k2 = alphaOf(P) * k / 255;
    Color32 out = d & ~kRgb;
    for (int i = 0; i < 3; ++i) out |= uint32_t((byteOf(d, i) * (255 - k2) + byteOf(P, i) * k2) / 255) << (8 * i);
    return out;
  }
  if (op == 23) {
    if (alphaOf(P) == 255 && k == 255) return P;
    if (alphaOf(d) == 255) {
      blendRgbByAlpha(d, P, k);
      return d;
    }
    if (alphaOf(d) == 0) return (P & kRgb) | uint32_t(k == 255 ? alphaOf(P) : alphaOf(P) * k / 255) << 24;
    over(d, P, k);
  }
  return d;
}

TEST(MaskedCoverageSpan32, HandComputedAndReference) {
  SpanParams p;
  p.op = kOpReplaceColour;
  p.paint = makeColor(255, 255, 255, 255);
  std::vector<uint8_t> cov = {128, 255, 0, 200}, mask = {128, 255, 255, 0};
  std::vector<uint8_t> d = test::toBytes({makeColor(0, 0, 0, 9), makeColor(0, 0, 0, 9), 5, 6});
  maskedCoverageSpan32(p, cov.data(), 0, mask.data(), 0, d.data(), 0, 4);
  // k = 128 x 128 / 255 = 64, k' = 64: (255 x 64) / 255 = 64. Full coverage and mask: colour set.
  EXPECT_EQ(test::toPixels(d), (std::vector<Color32>{makeColor(64, 64, 64, 9), makeColor(255, 255, 255, 9), 5, 6}));

  RowMaker make(3);
  for (int op : {12, 23, 4, 0})
    for (int w : test::kOpacities) {
      const int n = 150;
      auto c = make.bytes(n), m = make.bytes(n);
      auto dst = make.pixels(n);
      SpanParams q;
      q.op = op;
      q.opacity = uint8_t(w);
      q.paint = make.pixel();
      std::vector<uint8_t> db = test::toBytes(dst);
      maskedCoverageSpan32(q, c.data(), 2, m.data(), 5, db.data(), 1, n - 6);
      auto got = test::toPixels(db);
      for (int i = 0; i < n; ++i) {
        bool inside = i >= 1 && i < n - 5;
        ASSERT_EQ(got[i], inside ? refMasked(op, dst[i], c[i + 1], m[i + 4], w, q.paint) : dst[i]) << op << " " << w;
      }
    }
}

}  // namespace
}  // namespace kanvo
