// The fast forms of ops 12 and 23 of the 32-bit blend span against the per-pixel formulas:
// the exact-division identities they rest on, rows made of the runs the short cuts look for,
// every alpha pair at many opacities, odd lengths and offsets.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "raster/pixel/PixelOps.h"
#include "raster/span/SpanFast32.h"
#include "raster/span/SpanOps.h"
#include "support/SpanRows.h"

namespace kanvo {
namespace {

using span_detail::div255;
using span_detail::divideByAlphaSum;

constexpr Color32 kRgb = 0x00FFFFFFu;

// Plain per-pixel forms of the two ops, read from the operation table.
Color32 refOp23(Color32 d, Color32 s, int w) {
  const int sa = alphaOf(s), da = alphaOf(d);
  if (w == 0 || sa == 0) return d;
  if (sa == 255 && w == 255) return s;
  if (da == 0) return w < 255 ? (s & kRgb) | uint32_t(sa * w / 255) << 24 : s;
  if (da == 255) blendRgbByAlpha(d, s, w);
  else over(d, s, w);
  return d;
}
Color32 refOp12(Color32 d, Color32 s, int w) {
  const int sa = alphaOf(s);
  if (w == 0 || sa == 0) return d;
  if (sa == 255) return (d & ~kRgb) | (s & kRgb);
  int k = sa * w / 255;
  Color32 out = d & ~kRgb;
  for (int i = 0; i < 3; ++i) out |= uint32_t((byteOf(s, i) * k + byteOf(d, i) * (255 - k)) / 255) << (8 * i);
  return out;
}
Color32 ref(int op, Color32 d, Color32 s, int w) { return op == kOpOver ? refOp23(d, s, w) : refOp12(d, s, w); }

TEST(SpanFast32, DivisionBy255WithoutDividing) {
  for (uint32_t x = 0; x <= 65534; ++x) ASSERT_EQ(div255(x), x / 255) << x;
}

TEST(SpanFast32, AlphaSumDivisionIsExact) {
  // The over divides numerators of at most 255 x den by den <= 65025. The float estimate is
  // within 3 ulp of num / den, less than 5e-5 for quotients up to 256, so its truncation can
  // only miss where num is within 3 of a multiple of den: try every den with every numerator
  // that close to every multiple up to 256 x den.
  int64_t tried = 0;
  for (int32_t den = 1; den <= 65025; ++den)
    for (int32_t q = 0; q <= 256; ++q)
      for (int32_t off = -4; off <= 4; ++off) {
        int32_t num = q * den + off;
        if (num < 0) continue;
        ++tried;
        if (divideByAlphaSum(num, den) != num / den) FAIL() << num << " / " << den;
      }
  EXPECT_GT(tried, 150000000);
}

std::vector<Color32> runRow(int op, int w, const std::vector<Color32>& src, const std::vector<Color32>& dst, int srcX,
                            int dstX, int count) {
  SpanParams p;
  p.op = op;
  p.opacity = uint8_t(w);
  std::vector<uint8_t> s = test::toBytes(src), d = test::toBytes(dst);
  blendSpan32(p, s.data(), srcX, d.data(), dstX, count);
  return test::toPixels(d);
}

// A row of runs: transparent, opaque, translucent and single odd pixels, with run lengths
// around the block size so that blocks start and end anywhere in a run.
std::vector<Color32> runRowOf(std::mt19937& rng, size_t n, bool edgeColours) {
  std::vector<Color32> row;
  while (row.size() < n) {
    int kind = int(rng() % 4), len = 1 + int(rng() % 24);
    for (int i = 0; i < len && row.size() < n; ++i) {
      int a = kind == 0 ? 0 : kind == 1 ? 255 : kind == 2 ? 1 + int(rng() % 254) : int(rng() % 256);
      Color32 c = edgeColours && rng() % 2 ? (rng() % 2 ? kRgb : 0u) : (rng() & kRgb);
      row.push_back(c | uint32_t(a) << 24);
    }
  }
  return row;
}

TEST(SpanFast32, RunsOfEveryKindAtEveryOpacity) {
  std::mt19937 rng(4242);
  for (int op : {kOpOver, kOpReplaceColour})
    for (int w = 0; w < 256; ++w)
      for (int rep = 0; rep < 3; ++rep) {
        const int n = 260;
        auto src = runRowOf(rng, n, rep == 1), dst = runRowOf(rng, n, rep == 2);
        const int srcX = int(rng() % 9), dstX = int(rng() % 9);
        const int count = n - 9 - int(rng() % 20);
        auto got = runRow(op, w, src, dst, srcX, dstX, count);
        for (int i = 0; i < n; ++i) {
          bool inside = i >= dstX && i < dstX + count;
          Color32 want = inside ? ref(op, dst[i], src[i - dstX + srcX], w) : dst[i];
          ASSERT_EQ(got[i], want) << "op " << op << " opacity " << w << " pixel " << i;
        }
      }
}

TEST(SpanFast32, EveryAlphaPairWithExtremeColours) {
  // The colour bytes decide the numerators of the over's division: each set puts a different
  // extreme pair (destination byte, source byte) into the three channels.
  const Color32 sets[][2] = {{makeColor(255, 255, 0, 0), makeColor(255, 0, 255, 0)},
                             {makeColor(254, 1, 128, 0), makeColor(1, 254, 127, 0)},
                             {makeColor(0, 17, 255, 0), makeColor(0, 200, 255, 0)}};
  std::vector<Color32> src(65536), dst(65536);
  for (int op : {kOpOver, kOpReplaceColour})
    for (int w : {1, 2, 3, 64, 127, 128, 129, 200, 254, 255})
      for (const auto& set : sets) {
        for (bool sourceRuns : {true, false}) {
          // Every (source alpha, destination alpha) pair; blocks see either uniform source
          // alphas with varied destinations or the other way round.
          for (int i = 0; i < 65536; ++i) {
            int slow = i >> 8, fast = i & 255;
            src[i] = set[1] | uint32_t(sourceRuns ? slow : fast) << 24;
            dst[i] = set[0] | uint32_t(sourceRuns ? fast : slow) << 24;
          }
          auto got = runRow(op, w, src, dst, 0, 0, 65536);
          for (int i = 0; i < 65536; ++i)
            ASSERT_EQ(got[i], ref(op, dst[i], src[i], w)) << "op " << op << " w " << w << " pixel " << i;
        }
      }
}

TEST(SpanFast32, OpaqueDestinationBlocksAndShortRows) {
  test::RowMaker make(7);
  for (int op : {kOpOver, kOpReplaceColour})
    for (int w : test::kOpacities)
      for (int count = 1; count <= 40; ++count) {
        auto src = make.pixels(size_t(count)), dst = make.pixels(size_t(count));
        for (Color32& c : dst) c |= 0xFF000000u;  // opaque destination blocks
        auto got = runRow(op, w, src, dst, 0, 0, count);
        for (int i = 0; i < count; ++i) ASSERT_EQ(got[i], ref(op, dst[i], src[i], w)) << op << " " << w << " " << count;
      }
}

TEST(SpanFast32, InPlaceRowGivesTheSameAsACopy) {
  test::RowMaker make(8);
  auto row = make.pixels(77);
  for (int op : {kOpOver, kOpReplaceColour}) {
    SpanParams p;
    p.op = op;
    p.opacity = 180;
    std::vector<uint8_t> bytes = test::toBytes(row);
    blendSpan32(p, bytes.data(), 0, bytes.data(), 0, 77);
    auto got = test::toPixels(bytes);
    for (int i = 0; i < 77; ++i) EXPECT_EQ(got[i], ref(op, row[i], row[i], 180));
  }
}

}  // namespace
}  // namespace kanvo
