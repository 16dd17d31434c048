// The 32-bit fill and blend spans against a per-pixel reference built from the pixel
// primitives: every op over random rows, the vector forms of ops 12 and 23 over rows made of
// the runs their short cuts look for and over every alpha pair, the exact divisions those rest
// on; the scaled forms of the 32-bit destination spans against "gather, then the plain form".
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "raster/pixel/PixelOps.h"
#include "raster/span/SpanFast32.h"
#include "raster/span/SpanOps.h"
#include "support/RandomImages.h"
#include "support/SpanRows.h"

namespace kanvo {
namespace {

using test::applied;
using test::paintOver;
using test::perByte;
using test::RowMaker;
using test::rowMatches;
using test::runSpan32;
using test::spanParams;

// The blend span, one pixel, read from the operation table.
Color32 refBlend(int op, Color32 d, Color32 s, int w, Color32 key) {
  const int sa = alphaOf(s);
  if ((w == 0 && op > 2) || (sa == 0 && (op == 8 || op == 12 || op == 13 || op == 22 || op == 23))) return d;
  if (op == 13 || op == 22) d = test::flattened(d);
  const int k = sa * w / 255, k22 = ((sa + 1) * w >> 8) + 1;
  if (op == 0) return s;
  if (op == 1) return d & s;
  if (op == 2) return d | s;
  if (op == 4 || (op == 5 && s != key)) return applied(blendRgb, d, s, w);
  if (op == 6) return applied(addRgb, d, s, w);
  if (op == 8) return applied(multiplyRgb, d, s, w);
  if (op == 12 && sa == 255) return (d & 0xFF000000u) | (s & 0xFFFFFFu);
  if (op == 12) return perByte(d, s, [k](int dc, int sc) { return (sc * k + dc * (255 - k)) / 255; });
  if (op == 13) return applied(multiplyRgbByAlpha, d, s, w);
  if (op == 14 && s != 0) return applied(addRgbByAlpha, d, s, w);
  if (op == 22)
    return perByte(d, s,
                   [k22](int dc, int sc) { return dc + (255 - 2 * dc) * ((255 - sc) * k22 >> 8) / 255; });
  return op == 23 ? paintOver(d, s, w) : d;
}

// Runs a blend span over rows src and dst and checks it against the reference.
template <class Span>
::testing::AssertionResult blendMatches(Span span, int op, int w, const std::vector<Color32>& src, int srcX,
                                        const std::vector<Color32>& dst, int dstX, int count,
                                        Color32 key = 0) {
  return rowMatches(
      runSpan32(span, spanParams(op, w, key), src, srcX, dst, dstX, count), dst, dstX, count,
      [&](int i) { return refBlend(op, dst[size_t(dstX + i)], src[size_t(srcX + i)], w, key); });
}

// Ops 12 and 23 through one of the machine's fast row forms (blendSpan32 runs the first).
auto throughForm(const span_detail::FastRowForms& form) {
  return [&form](const SpanParams& p, const uint8_t* s, int32_t sx, uint8_t* d, int32_t dx, int32_t n) {
    if (p.opacity != 0) (p.op == kOpOver ? form.over : form.replaceColour)(s + 4 * sx, d + 4 * dx, n, p.opacity);
  };
}

TEST(BlendSpan32, EveryOpMatchesPerPixelReference) {
  RowMaker make(1234);
  for (int op : {0, 1, 2, 4, 5, 6, 8, 12, 13, 14, 22, 23, 3, 7, 9, 11, 15, 17, 18, 20, 21, -1, 99})
    for (int w : test::kOpacities) {
      const int srcX = int(make.rng()() % 5), dstX = int(make.rng()() % 5);
      const auto src = make.pixels(300), dst = make.pixels(300);
      ASSERT_TRUE(blendMatches(blendSpan32, op, w, src, srcX, dst, dstX, 293, src[size_t(srcX) + 3])) << op << " " << w;
    }
}

// A row of runs (transparent, opaque, translucent, anything) with lengths around the vector
// block size, so that blocks start and end anywhere in a run.
std::vector<Color32> runsOfEveryKind(std::mt19937& rng, size_t n, bool edgeColours) {
  std::vector<Color32> row;
  while (row.size() < n) {
    const int kind = int(rng() % 4), len = 1 + int(rng() % 24);
    for (int i = 0; i < len && row.size() < n; ++i) {
      const uint32_t a = kind == 0 ? 0 : kind == 1 ? 255 : kind == 2 ? 1 + rng() % 254 : rng() % 256;
      row.push_back((edgeColours && rng() % 2 ? (rng() % 2 ? 0xFFFFFFu : 0u) : (rng() & 0xFFFFFFu)) |
                    a << 24);
    }
  }
  return row;
}

TEST(BlendSpan32, FastOpsOverRunsOfEveryKindAtEveryOpacity) {
  std::mt19937 rng(4242);
  for (int op : {kOpOver, kOpReplaceColour})
    for (int w = 0; w < 256; ++w)
      for (int rep = 0; rep < 3; ++rep) {
        const int n = 260, srcX = int(rng() % 9), dstX = int(rng() % 9);
        const int count = rep == 0 ? w % 71 : n - 9 - int(rng() % 20);  // every short length, every tail
        const auto src = runsOfEveryKind(rng, n, rep == 1), dst = runsOfEveryKind(rng, n, rep == 2);
        for (const auto& form : span_detail::fastRowForms())
          ASSERT_TRUE(blendMatches(throughForm(form), op, w, src, srcX, dst, dstX, count)) << op << " " << w;
        std::vector<Color32> row = src;  // the source may be the destination row itself
        blendSpan32(spanParams(op, w), reinterpret_cast<uint8_t*>(row.data()), 0,
                    reinterpret_cast<uint8_t*>(row.data()), 0, count);
        ASSERT_TRUE(rowMatches(row, src, 0, count,
                               [&](int i) { return refBlend(op, src[size_t(i)], src[size_t(i)], w, 0); }));
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
          for (const auto& form : span_detail::fastRowForms())
            ASSERT_TRUE(blendMatches(throughForm(form), op, w, src, 0, dst, 0, 65536)) << op << " " << w;
        }
}

TEST(BlendSpan32, FastDivisionsAreExact) {
  for (uint32_t x = 0; x <= 65534; ++x) ASSERT_EQ(span_detail::div255(x), x / 255) << x;
  // The over divides numerators of at most 255 x den by den <= 65025. The float estimate is
  // within 3 ulp of num / den, less than 5e-5 for quotients up to 256: it can only reach the
  // next quotient, or fall two below, where num is within 3 of a multiple of den. Try every den
  // with every numerator that close to every multiple up to 256 x den.
  for (int32_t den = 1; den <= 65025; ++den)
    for (int32_t q = 0; q <= 256; ++q)
      for (int32_t num = std::max(q * den - 4, 0); num <= q * den + 4; ++num)
        if (span_detail::divideByAlphaSum(num, den) != num / den ||
            span_detail::divideByAlphaSumFused(num, den) != num / den)
          FAIL() << num << " / " << den;
}

// The fill span as Image32's filled rectangles run it, on the rows they keep after clipping.
TEST(FillSpan32, EveryOpMatchesPerPixelReference) {
  RowMaker make(5);
  Image32 row(63, 1);
  for (int op : {0, 1, 3, 2, 4, 23})
    for (int w : test::kOpacities)
      for (int rep = 0; rep < 8; ++rep) {
        const auto dst = make.pixels(63);
        const Color32 c = make.pixel();
        for (int x = 0; x < 63; ++x) row.setPixel(x, 0, dst[size_t(x)]);
        ASSERT_TRUE(row.fillRect(3, -5, 70, 9, c, w, op));
        ASSERT_TRUE(rowMatches(test::pixelsOf(row), dst, 3, 60,
                               [&](int i) {
                                 const Color32 d = dst[size_t(3 + i)];
                                 return op == 0            ? c
                                        : op == 1          ? applied(blendRgb, d, c, w)
                                        : op == 3 && w > 0 ? paintOver(d, c, w)
                                                           : d;
                               }))
            << op << " " << w;
      }
}

// A 32-bit destination span with a 16.16 scaled source.
using ScaledSpan = void (*)(const SpanParams&, const uint8_t*, int32_t, int32_t, uint8_t*, int32_t, int32_t);
using PlainSpan = void (*)(const SpanParams&, const uint8_t*, int32_t, uint8_t*, int32_t, int32_t);

TEST(ScaledSpans, EqualGatherThenThePlainForm) {
  RowMaker make(99);
  const std::vector<Color32> palette = make.pixels(256);
  const struct {
    ScaledSpan scaled;
    PlainSpan plain;
    int bits;
    std::vector<int> ops, opsItIgnores;
  } spans[] = {{blendSpan32Scaled, blendSpan32, 32, {0, 4, 8, 12, 13, 14, 22, 23}, {1, 2, 5, 6}},
               {coverageSpan32Scaled, coverageSpan32, 8, {12, 13, 14, 17, 18, 22, 23}, {4, 20, 21}},
               {bitSpan32Scaled, bitSpan32, 1, {0, 3, 12, 13, 14, 22, 23}, {2}}};
  for (const auto& span : spans)
    for (int op = 0; op < 24; ++op)
      for (int32_t step : {65536, 32768, 21845, 98304, 65536 * 3 + 5, 7, 1, 0})
        for (int w : {0, 200, 255}) {
          const bool scaledOp = std::count(span.ops.begin(), span.ops.end(), op) > 0;
          if (!scaledOp && std::count(span.opsItIgnores.begin(), span.opsItIgnores.end(), op) == 0) continue;
          const int count = step == 21845 ? 700 : 97;  // one span longer than the gathering chunk
          const int32_t start = int32_t(make.rng()() % (3 << 16));
          const int64_t last = (start + int64_t(step) * (count - 1)) >> 16;
          const auto src = make.bytes(size_t((last + 1) * span.bits / 8 + 4));
          std::vector<uint8_t> gathered(size_t(count * 4));
          for (int i = 0; i < count; ++i) {
            const int64_t at = (start + int64_t(i) * step) >> 16;
            if (span.bits == 1)
              gathered[size_t(i / 8)] |= uint8_t((src[size_t(at / 8)] >> (at % 8) & 1) << (i % 8));
            else
              std::copy_n(src.begin() + at * span.bits / 8, span.bits / 8,
                          gathered.begin() + i * span.bits / 8);
          }
          const SpanParams p = spanParams(op, w, 0, make.pixel(), palette.data());
          const auto dst = make.pixels(size_t(count) + 4);
          std::vector<Color32> scaled = dst, plain = dst;
          span.scaled(p, src.data(), start, step, reinterpret_cast<uint8_t*>(scaled.data()), 2, count);
          if (scaledOp) span.plain(p, gathered.data(), 0, reinterpret_cast<uint8_t*>(plain.data()), 2, count);
          ASSERT_EQ(scaled, plain) << span.bits << " bpp op " << op << " step " << step << " opacity " << w;
        }
}

TEST(SpanOps, RefuseBadArgumentsAndNameTheOpsThatChangeEmptyRows) {
  std::vector<uint8_t> s(16, 0xFF), d(16, 7);
  SpanParams p = spanParams(kOpCopy, 255, 1);
  blendSpan32(p, nullptr, 0, d.data(), 0, 4);
  blendSpan32(p, s.data(), 0, nullptr, 0, 4);
  blendSpan32(p, s.data(), -1, d.data(), 0, 4);
  blendSpan32(p, s.data(), 0, d.data(), -1, 4);
  blendSpan32(p, s.data(), 0, d.data(), 0, -4);
  blendSpan32Scaled(p, s.data(), -65536, 65536, d.data(), 0, 4);
  blendSpan32Scaled(p, s.data(), 3 << 16, -65536, d.data(), 0, 5);  // last position -1
  fillSpan32(p, d.data(), -2, 2);
  blitSpan1(p, s.data(), -1, d.data(), 0, 8);
  blitSpan1(p, s.data(), 0, d.data(), -1, 8);
  fillSpan1(p, d.data(), 0, -5);
  thresholdSpan(p, s.data(), 0, d.data(), -3, 8);
  EXPECT_EQ(d, std::vector<uint8_t>(16, 7));
  blendSpan32Scaled(p, s.data(), 3 << 16, -65536, d.data(), 0, 4);  // positions 3, 2, 1, 0
  EXPECT_EQ(d, std::vector<uint8_t>(16, 0xFF));
  for (int op = -1; op < 40; ++op)
    EXPECT_EQ(opChangesWhereSourceEmpty(op), op == 0 || op == 11 || op == 18 || op == 21) << op;
}

}  // namespace
}  // namespace kanvo
