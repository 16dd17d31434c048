// The 32-bit fill and blend spans against a per-pixel reference built from the pixel
// primitives: every op over random rows, the vector forms of ops 12 and 23 over rows made of
// the runs their short cuts look for and over every alpha pair, the exact divisions those rest
// on, and the scaled form against "gather, then blend".
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "raster/pixel/PixelOps.h"
#include "raster/span/SpanFast32.h"
#include "raster/span/SpanOps.h"
#include "support/SpanRows.h"

namespace kanvo {
namespace {

using test::applied;
using test::paintOver;
using test::perByte;
using test::RowMaker;
using test::rowMatches;
using test::runSpan32;

constexpr Color32 kRgb = 0x00FFFFFFu;

// The blend span, one pixel, read from the operation table.
Color32 refBlend(int op, Color32 d, Color32 s, int w, Color32 key) {
  const int sa = alphaOf(s);
  if ((w == 0 && op > 2) || (sa == 0 && (op == 8 || op == 12 || op == 13 || op == 22 || op == 23))) return d;
  if (alphaOf(d) < 255 && (op == 13 || op == 22)) d = flattenOntoWhite(d);
  const int k = sa * w / 255, k22 = ((sa + 1) * w >> 8) + 1;
  if (op == 0) return s;
  if (op == 1) return d & s;
  if (op == 2) return d | s;
  if (op == 4 || (op == 5 && s != key)) return applied(blendRgb, d, s, w);
  if (op == 6) return applied(addRgb, d, s, w);
  if (op == 8) return applied(multiplyRgb, d, s, w);
  if (op == 12 && sa == 255) return (d & ~kRgb) | (s & kRgb);
  if (op == 12) return perByte(d, s, [k](int dc, int sc) { return (sc * k + dc * (255 - k)) / 255; });
  if (op == 13) return applied(multiplyRgbByAlpha, d, s, w);
  if (op == 14 && s != 0) return applied(addRgbByAlpha, d, s, w);
  if (op == 22)
    return perByte(d, s,
                   [k22](int dc, int sc) { return dc + (255 - 2 * dc) * ((255 - sc) * k22 >> 8) / 255; });
  if (op == 23) return paintOver(d, s, w);
  return d;
}

std::vector<Color32> runBlend(int op, int w, const std::vector<Color32>& src, int srcX,
                              const std::vector<Color32>& dst, int dstX, int count, Color32 key = 0) {
  SpanParams p;
  p.op = op;
  p.opacity = uint8_t(w);
  p.key = key;
  return runSpan32(blendSpan32, p, src, srcX, dst, dstX, count);
}

TEST(BlendSpan32, EveryOpMatchesPerPixelReference) {
  RowMaker make(1234);
  for (int op : {0, 1, 2, 4, 5, 6, 8, 12, 13, 14, 22, 23, 3, 7, 9, 11, 15, 17, 18, 20, 21, -1, 99})
    for (int w : test::kOpacities) {
      const int n = 300, srcX = int(make.rng()() % 5), dstX = int(make.rng()() % 5), count = n - 7;
      const auto src = make.pixels(n), dst = make.pixels(n);
      const Color32 key = src[size_t(srcX) + 3];
      ASSERT_TRUE(rowMatches(
          runBlend(op, w, src, srcX, dst, dstX, count, key), dst, dstX, count,
          [&](int i) { return refBlend(op, dst[size_t(dstX + i)], src[size_t(srcX + i)], w, key); }))
          << "op " << op << " opacity " << w;
    }
}

TEST(BlendSpan32, HandComputed) {
  const struct {
    int op, opacity;
    Color32 d, s, want;
  } cases[] = {
      // f = (100 - 255) x 128 / 255 + 255 = 178 -> 139; 255 -> 200; (-255 x 128) / 255 + 255 = 127 -> 99.
      {8, 128, makeColor(200, 200, 200, 9), makeColor(100, 255, 0, 1), makeColor(139, 200, 99, 9)},
      // k = 100: (255 x 100) / 255 = 100, (255 x 155) / 255 = 155, 50.
      {12, 255, makeColor(0, 255, 50, 30), makeColor(255, 0, 50, 100), makeColor(100, 155, 50, 30)},
      // flattened (65025 >> 8 = 254), then f = 128: 128 x 254 / 255 = 127.
      {13, 255, makeColor(0, 0, 0, 0), makeColor(128, 128, 128, 255), makeColor(127, 127, 127, 255)},
      // k = 256, t = 127: 0 -> 127, 255 -> 128, 100 -> 100 + 55 x 127 / 255 = 127; black inverts.
      {22, 255, makeColor(0, 255, 100, 255), makeColor(128, 128, 128, 255), makeColor(127, 128, 127, 255)},
      {22, 255, makeColor(0, 255, 100, 255), makeColor(0, 0, 0, 255), makeColor(255, 0, 155, 255)},
      {23, 128, makeColor(1, 1, 1, 0), makeColor(10, 20, 30, 128), makeColor(10, 20, 30, 64)},
      {23, 255, makeColor(0, 0, 0, 255), makeColor(255, 255, 255, 128), makeColor(128, 128, 128, 255)},
  };
  for (const auto& c : cases) EXPECT_EQ(runBlend(c.op, c.opacity, {c.s}, 0, {c.d}, 0, 1)[0], c.want) << c.op;
}

// A row of runs (transparent, opaque, translucent, anything) with lengths around the vector
// block size, so that blocks start and end anywhere in a run.
std::vector<Color32> runsOfEveryKind(std::mt19937& rng, size_t n, bool edgeColours) {
  std::vector<Color32> row;
  while (row.size() < n) {
    const int kind = int(rng() % 4), len = 1 + int(rng() % 24);
    for (int i = 0; i < len && row.size() < n; ++i) {
      const uint32_t a = kind == 0 ? 0 : kind == 1 ? 255 : kind == 2 ? 1 + rng() % 254 : rng() % 256;
      const Color32 c = edgeColours && rng() % 2 ? (rng() % 2 ? kRgb : 0u) : (rng() & kRgb);
      row.push_back(c | a << 24);
    }
  }
  return row;
}

TEST(BlendSpan32, FastOpsOverRunsOfEveryKindAtEveryOpacity) {
  std::mt19937 rng(4242);
  for (int op : {kOpOver, kOpReplaceColour})
    for (int w = 0; w < 256; ++w)
      for (int rep = 0; rep < 3; ++rep) {
        const int n = 260, srcX = int(rng() % 9), dstX = int(rng() % 9), count = n - 9 - int(rng() % 20);
        const auto src = runsOfEveryKind(rng, n, rep == 1), dst = runsOfEveryKind(rng, n, rep == 2);
        ASSERT_TRUE(rowMatches(
            runBlend(op, w, src, srcX, dst, dstX, count), dst, dstX, count,
            [&](int i) { return refBlend(op, dst[size_t(dstX + i)], src[size_t(srcX + i)], w, 0); }))
            << "op " << op << " opacity " << w;
        // The source may be the destination row itself.
        std::vector<uint8_t> row = test::toBytes(src);
        SpanParams p;
        p.op = op;
        p.opacity = uint8_t(w);
        blendSpan32(p, row.data(), 0, row.data(), 0, count);
        ASSERT_TRUE(rowMatches(test::toPixels(row), src, 0, count,
                               [&](int i) { return refBlend(op, src[i], src[i], w, 0); }));
      }
}

TEST(BlendSpan32, FastOpsOverEveryAlphaPairWithExtremeColours) {
  // The colour bytes decide the numerators of the over's division: each set puts a different
  // extreme pair (destination byte, source byte) into the three channels. Blocks see either
  // uniform source alphas with varied destinations or the other way round.
  const Color32 sets[][2] = {{makeColor(255, 255, 0, 0), makeColor(255, 0, 255, 0)},
                             {makeColor(254, 1, 128, 0), makeColor(1, 254, 127, 0)},
                             {makeColor(0, 17, 255, 0), makeColor(0, 200, 255, 0)}};
  std::vector<Color32> src(65536), dst(65536);
  for (int op : {kOpOver, kOpReplaceColour})
    for (int w : {1, 2, 3, 64, 127, 128, 129, 200, 254, 255})
      for (const auto& set : sets)
        for (bool sourceRuns : {true, false}) {
          for (uint32_t i = 0; i < 65536; ++i) {
            src[i] = set[1] | (sourceRuns ? i >> 8 : i & 255) << 24;
            dst[i] = set[0] | (sourceRuns ? i & 255 : i >> 8) << 24;
          }
          ASSERT_TRUE(rowMatches(runBlend(op, w, src, 0, dst, 0, 65536), dst, 0, 65536,
                                 [&](int i) { return refBlend(op, dst[size_t(i)], src[size_t(i)], w, 0); }))
              << "op " << op << " w " << w;
        }
}

TEST(BlendSpan32, FastDivisionsAreExact) {
  for (uint32_t x = 0; x <= 65534; ++x) ASSERT_EQ(span_detail::div255(x), x / 255) << x;
  // The over divides numerators of at most 255 x den by den <= 65025. The float estimate is
  // within 3 ulp of num / den, less than 5e-5 for quotients up to 256, so its truncation can
  // only miss where num is within 3 of a multiple of den: try every den with every numerator
  // that close to every multiple up to 256 x den.
  for (int32_t den = 1; den <= 65025; ++den)
    for (int32_t q = 0; q <= 256; ++q)
      for (int32_t num = std::max(q * den - 4, 0); num <= q * den + 4; ++num)
        if (span_detail::divideByAlphaSum(num, den) != num / den) FAIL() << num << " / " << den;
}

TEST(BlendSpan32, ScaledEqualsGatherThenBlend) {
  RowMaker make(99);
  for (int op : {0, 4, 8, 12, 13, 14, 22, 23, 1, 2, 5, 6})
    for (int w : {0, 128, 255})
      for (int32_t step : {65536, 32768, 21845, 98304, 65536 * 3 + 5, 1, 0}) {
        const int count = step == 21845 ? 700 : 97;  // one span longer than the gathering chunk
        const int32_t start = int32_t(make.rng()() % (3 << 16));
        const auto src = make.pixels(size_t((start + int64_t(step) * count) >> 16) + 2),
                   dst = make.pixels(count + 4);
        std::vector<Color32> gathered(count);
        for (int i = 0; i < count; ++i) gathered[size_t(i)] = src[size_t((start + int64_t(i) * step) >> 16)];
        SpanParams p;
        p.op = op;
        p.opacity = uint8_t(w);
        std::vector<uint8_t> s = test::toBytes(src), d = test::toBytes(dst);
        blendSpan32Scaled(p, s.data(), start, step, d.data(), 2, count);
        const bool scaledOp = op != 1 && op != 2 && op != 5 && op != 6;
        ASSERT_EQ(test::toPixels(d), scaledOp ? runBlend(op, w, gathered, 0, dst, 2, count) : dst)
            << "op " << op << " step " << step;
      }
}

TEST(FillSpan32, EveryOpMatchesPerPixelReference) {
  RowMaker make(5);
  for (int op : {0, 1, 3, 2, 4, 23})
    for (int w : test::kOpacities)
      for (int rep = 0; rep < 8; ++rep) {
        const auto dst = make.pixels(64);
        SpanParams p;
        p.op = op;
        p.opacity = uint8_t(w);
        p.key = make.pixel();
        std::vector<uint8_t> d = test::toBytes(dst);
        fillSpan32(p, d.data(), 3, 60);
        ASSERT_TRUE(rowMatches(test::toPixels(d), dst, 3, 60,
                               [&](int i) {
                                 Color32 px = dst[size_t(3 + i)];
                                 if (op == 1) blendRgb(px, p.key, w);
                                 return op == 0 ? p.key : op == 3 && w > 0 ? paintOver(px, p.key, w) : px;
                               }))
            << op << " " << w;
      }
}

TEST(Span32, RefusesBadArgumentsAndNamesTheOpsThatChangeEmptyRows) {
  std::vector<uint8_t> s(16, 0xFF), d(16, 7);
  SpanParams p;
  blendSpan32(p, nullptr, 0, d.data(), 0, 4);
  blendSpan32(p, s.data(), 0, nullptr, 0, 4);
  blendSpan32(p, s.data(), -1, d.data(), 0, 4);
  blendSpan32(p, s.data(), 0, d.data(), -1, 4);
  blendSpan32(p, s.data(), 0, d.data(), 0, -4);
  blendSpan32Scaled(p, s.data(), -65536, 65536, d.data(), 0, 4);
  blendSpan32Scaled(p, s.data(), 3 << 16, -65536, d.data(), 0, 5);  // last position -1
  fillSpan32(p, d.data(), -2, 2);
  EXPECT_EQ(d, std::vector<uint8_t>(16, 7));
  blendSpan32Scaled(p, s.data(), 3 << 16, -65536, d.data(), 0, 4);  // positions 3, 2, 1, 0
  EXPECT_EQ(d, std::vector<uint8_t>(16, 0xFF));
  for (int op = -1; op < 40; ++op)
    EXPECT_EQ(opChangesWhereSourceEmpty(op), op == 0 || op == 11 || op == 18 || op == 21) << op;
}

}  // namespace
}  // namespace kanvo
