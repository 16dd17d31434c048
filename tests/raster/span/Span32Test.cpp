// The 32-bit fill and blend spans: hand-computed cases, a per-pixel reference built from the
// pixel primitives over random rows, and the scaled form against "gather, then blend".
#include <gtest/gtest.h>

#include <vector>

#include "raster/pixel/PixelOps.h"
#include "raster/span/SpanOps.h"
#include "support/SpanRows.h"

namespace kanvo {
namespace {

using test::RowMaker;

constexpr Color32 kRgb = 0x00FFFFFFu;

// The blend span, one pixel, read from the operation table.
Color32 refBlend(int op, Color32 d, Color32 s, int w, Color32 key) {
  if (w == 0 && op != 0 && op != 1 && op != 2) return d;
  const int sa = alphaOf(s), da = alphaOf(d);
  switch (op) {
    case 0: return s;
    case 1: return d & s;
    case 2: return d | s;
    case 4: blendRgb(d, s, w); return d;
    case 5: if (s != key) blendRgb(d, s, w); return d;
    case 6: addRgb(d, s, w); return d;
    case 8:
      if (sa != 0 && (s & kRgb) != kRgb) multiplyRgb(d, s, w);
      return d;
    case 12: {
      if (sa == 0) return d;
      if (sa == 255) return (d & ~kRgb) | (s & kRgb);
      int k = sa * w / 255;
      Color32 out = d & ~kRgb;
      for (int i = 0; i < 3; ++i) out |= uint32_t((byteOf(s, i) * k + byteOf(d, i) * (255 - k)) / 255) << (8 * i);
      return out;
    }
    case 13:
      if (sa == 0) return d;
      if (da < 255) d = flattenOntoWhite(d);
      multiplyRgbByAlpha(d, s, w);
      return d;
    case 14: if (s != 0) addRgbByAlpha(d, s, w); return d;
    case 22: {
      if (sa == 0) return d;
      if (da < 255) d = flattenOntoWhite(d);
      int k = (((sa + 1) * w) >> 8) + 1;
      Color32 out = d & ~kRgb;
      for (int i = 0; i < 3; ++i) {
        int dc = byteOf(d, i), t = ((255 - byteOf(s, i)) * k) >> 8;
        out |= uint32_t(dc + (255 - 2 * dc) * t / 255) << (8 * i);
      }
      return out;
    }
    case 23:
      if (sa == 0) return d;
      if (sa == 255 && w == 255) return s;
      if (da == 0) return w < 255 ? (s & kRgb) | uint32_t(sa * w / 255) << 24 : s;
      if (da == 255) blendRgbByAlpha(d, s, w);
      else over(d, s, w);
      return d;
    default: return d;
  }
}

std::vector<Color32> runBlend(const SpanParams& p, std::vector<Color32> src, std::vector<Color32> dst, int srcX,
                              int dstX, int count) {
  std::vector<uint8_t> s = test::toBytes(src), d = test::toBytes(dst);
  blendSpan32(p, s.data(), srcX, d.data(), dstX, count);
  return test::toPixels(d);
}

struct HandCase {
  int op, opacity;
  Color32 d, s, want;
};

TEST(BlendSpan32, HandComputed) {
  const HandCase cases[] = {
      {0, 0, 0x12345678u, 0x11223344u, 0x11223344u},
      {1, 0, 0xF0F0F0F0u, 0x3C3C3C3Cu, 0x30303030u},
      {2, 0, 0xF0F0F0F0u, 0x3C3C3C3Cu, 0xFCFCFCFCu},
      // blendRgb: (255 x 127) >> 8 = 126, (255 x 129) >> 8 = 128, (100 x 127 + 200 x 129) >> 8 = 150.
      {4, 128, makeColor(255, 0, 100, 7), makeColor(0, 255, 200, 0), makeColor(126, 128, 150, 7)},
      {4, 0, makeColor(255, 0, 100, 7), makeColor(0, 255, 200, 0), makeColor(255, 0, 100, 7)},
      {5, 128, makeColor(255, 0, 100, 7), makeColor(0, 255, 200, 0), makeColor(126, 128, 150, 7)},
      // 200 + 100 x 128 / 255 = 250; 10 + 255 x 128 / 255 = 138.
      {6, 128, makeColor(200, 10, 0, 5), makeColor(100, 255, 0, 0), makeColor(250, 138, 0, 5)},
      // f = (100 - 255) x 128 / 255 + 255 = 178 -> 139; 255 -> 200; (-255 x 128) / 255 + 255 = 127 -> 99.
      {8, 128, makeColor(200, 200, 200, 9), makeColor(100, 255, 0, 1), makeColor(139, 200, 99, 9)},
      {8, 128, makeColor(200, 200, 200, 9), makeColor(100, 255, 0, 0), makeColor(200, 200, 200, 9)},
      {12, 7, makeColor(1, 2, 3, 30), makeColor(90, 80, 70, 255), makeColor(90, 80, 70, 30)},
      // k = 100: (255 x 100) / 255 = 100, (255 x 155) / 255 = 155, 50.
      {12, 255, makeColor(0, 255, 50, 30), makeColor(255, 0, 50, 100), makeColor(100, 155, 50, 30)},
      {12, 255, makeColor(0, 255, 50, 30), makeColor(255, 0, 50, 0), makeColor(0, 255, 50, 30)},
      {13, 255, makeColor(100, 100, 100, 255), makeColor(0, 0, 0, 255), makeColor(0, 0, 0, 255)},
      // flattened (65025 >> 8 = 254), then f = 128: 128 x 254 / 255 = 127.
      {13, 255, makeColor(0, 0, 0, 0), makeColor(128, 128, 128, 255), makeColor(127, 127, 127, 255)},
      {13, 255, makeColor(0, 0, 0, 0), makeColor(128, 128, 128, 0), makeColor(0, 0, 0, 0)},
      {14, 255, makeColor(200, 0, 255, 1), makeColor(100, 100, 100, 128), makeColor(250, 50, 255, 1)},
      {14, 255, makeColor(200, 0, 255, 1), 0, makeColor(200, 0, 255, 1)},
      // k = 256, t = 127: 0 -> 127, 255 -> 128, 100 -> 100 + 55 x 127 / 255 = 127.
      {22, 255, makeColor(0, 255, 100, 255), makeColor(128, 128, 128, 255), makeColor(127, 128, 127, 255)},
      {22, 255, makeColor(0, 255, 100, 255), makeColor(0, 0, 0, 255), makeColor(255, 0, 155, 255)},
      {23, 255, 0, makeColor(10, 20, 30, 128), makeColor(10, 20, 30, 128)},
      {23, 128, makeColor(1, 1, 1, 0), makeColor(10, 20, 30, 128), makeColor(10, 20, 30, 64)},
      {23, 255, makeColor(0, 0, 0, 255), makeColor(255, 255, 255, 128), makeColor(128, 128, 128, 255)},
      {23, 255, makeColor(200, 200, 200, 50), makeColor(0, 0, 0, 100), makeColor(46, 46, 46, 130)},
      {23, 255, makeColor(200, 200, 200, 50), makeColor(0, 0, 0, 0), makeColor(200, 200, 200, 50)},
      {23, 0, makeColor(200, 200, 200, 50), makeColor(0, 0, 0, 255), makeColor(200, 200, 200, 50)},
      {3, 255, 0x01020304u, 0xFFFFFFFFu, 0x01020304u},  // not an op of this span
  };
  for (const HandCase& c : cases) {
    SpanParams p;
    p.op = c.op;
    p.opacity = uint8_t(c.opacity);
    p.key = c.op == 5 ? 0x01010101u : 0;
    EXPECT_EQ(runBlend(p, {c.s}, {c.d}, 0, 0, 1)[0], c.want) << "op " << c.op << " opacity " << c.opacity;
  }
  SpanParams keyed;
  keyed.op = 5;
  keyed.opacity = 128;
  keyed.key = makeColor(0, 255, 200, 0);
  EXPECT_EQ(runBlend(keyed, {keyed.key}, {makeColor(255, 0, 100, 7)}, 0, 0, 1)[0], makeColor(255, 0, 100, 7));
}

TEST(BlendSpan32, InverseOfBlackAndWhite) {
  std::vector<Color32> d(256);
  for (int v = 0; v < 256; ++v) d[v] = makeColor(v, 255 - v, v / 3, 255);
  SpanParams p;
  p.op = kOpInverse;
  auto black = runBlend(p, std::vector<Color32>(256, kOpaqueBlack), d, 0, 0, 256);
  auto white = runBlend(p, std::vector<Color32>(256, kOpaqueWhite), d, 0, 0, 256);
  for (int v = 0; v < 256; ++v) {
    EXPECT_EQ(black[v], makeColor(255 - v, v, 255 - v / 3, 255));
    EXPECT_EQ(white[v], d[v]);
  }
}

TEST(BlendSpan32, EveryOpMatchesPerPixelReference) {
  RowMaker make(1234);
  const int ops[] = {0, 1, 2, 4, 5, 6, 8, 12, 13, 14, 22, 23, 3, 7, 9, 11, 15, 17, 18, 20, 21, -1, 99};
  for (int op : ops)
    for (int w : test::kOpacities) {
      const int n = 300, srcX = int(make.rng()() % 5), dstX = int(make.rng()() % 5), count = n - 7;
      auto src = make.pixels(n), dst = make.pixels(n);
      SpanParams p;
      p.op = op;
      p.opacity = uint8_t(w);
      p.key = src[srcX + 3];
      auto got = runBlend(p, src, dst, srcX, dstX, count);
      for (int i = 0; i < n; ++i) {
        bool inside = i >= dstX && i < dstX + count;
        Color32 want = inside ? refBlend(op, dst[i], src[i - dstX + srcX], w, p.key) : dst[i];
        ASSERT_EQ(got[i], want) << "op " << op << " opacity " << w << " pixel " << i << std::hex << " d " << dst[i];
      }
    }
}

TEST(BlendSpan32, OverAndReplaceOverEveryAlphaPair) {
  // Every (source alpha, destination alpha) pair at several opacities, so that every branch of
  // ops 12 and 23 (including any fast path for long runs) meets every pixel kind.
  for (int op : {12, 23})
    for (int w : test::kOpacities) {
      std::vector<Color32> src(65536), dst(65536);
      for (int i = 0; i < 65536; ++i) {
        src[i] = makeColor(i * 7, 255 - i, i * 13, i >> 8);
        dst[i] = makeColor(i * 3, i * 11, 255 - i * 5, i & 255);
      }
      SpanParams p;
      p.op = op;
      p.opacity = uint8_t(w);
      auto got = runBlend(p, src, dst, 0, 0, 65536);
      for (int i = 0; i < 65536; ++i) ASSERT_EQ(got[i], refBlend(op, dst[i], src[i], w, 0)) << op << " " << w << " " << i;
    }
}

TEST(BlendSpan32, ScaledEqualsGatherThenBlend) {
  RowMaker make(99);
  const int32_t steps[] = {65536, 32768, 21845, 98304, 65536 * 3 + 5, 1, 0};
  for (int op : {0, 4, 8, 12, 13, 14, 22, 23, 1, 2, 5, 6})
    for (int w : {0, 128, 255})
      for (int32_t step : steps) {
        const int count = step == 21845 ? 700 : 97;  // one span longer than the gathering chunk
        const int32_t start = int32_t(make.rng()() % (3 << 16));
        auto src = make.pixels(size_t((start + int64_t(step) * count) >> 16) + 2);
        auto dst = make.pixels(count + 4);
        std::vector<Color32> gathered(count);
        for (int i = 0; i < count; ++i) gathered[i] = src[size_t((start + int64_t(i) * step) >> 16)];
        SpanParams p;
        p.op = op;
        p.opacity = uint8_t(w);
        std::vector<uint8_t> s = test::toBytes(src), d = test::toBytes(dst);
        blendSpan32Scaled(p, s.data(), start, step, d.data(), 2, count);
        const bool scaledOp = op != 1 && op != 2 && op != 5 && op != 6;
        auto want = scaledOp ? runBlend(p, gathered, dst, 0, 2, count) : dst;
        ASSERT_EQ(test::toPixels(d), want) << "op " << op << " step " << step;
      }
}

TEST(BlendSpan32, RefusesBadArguments) {
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
}

// The fill span, one pixel.
Color32 refFill(int op, Color32 d, Color32 c, int w) {
  switch (op) {
    case 0: return c;
    case 1: blendRgb(d, c, w); return d;
    case 3:
      if (w == 0) return d;
      if (alphaOf(c) == 255 && w == 255) return c;
      if (alphaOf(d) == 0) return w < 255 ? (c & kRgb) | uint32_t(alphaOf(c) * w / 255) << 24 : c;
      if (alphaOf(d) == 255) blendRgbByAlpha(d, c, w);
      else over(d, c, w);
      return d;
    default: return d;
  }
}

TEST(FillSpan32, HandComputedAndReference) {
  SpanParams p;
  p.op = kOpAnd;
  p.opacity = 0;
  p.key = 0;
  std::vector<uint8_t> d = test::toBytes({kOpaqueWhite, kOpaqueWhite});
  fillSpan32(p, d.data(), 1, 1);
  EXPECT_EQ(test::toPixels(d), (std::vector<Color32>{kOpaqueWhite, makeColor(254, 254, 254, 255)}));

  RowMaker make(5);
  for (int op : {0, 1, 3, 2, 4, 23})
    for (int w : test::kOpacities)
      for (int rep = 0; rep < 8; ++rep) {
        auto dst = make.pixels(64);
        p.op = op;
        p.opacity = uint8_t(w);
        p.key = make.pixel();
        d = test::toBytes(dst);
        fillSpan32(p, d.data(), 3, 60);
        auto got = test::toPixels(d);
        for (int i = 0; i < 64; ++i)
          ASSERT_EQ(got[i], i >= 3 && i < 63 ? refFill(op, dst[i], p.key, w) : dst[i]) << op << " " << w;
      }
}

TEST(SpanOps, OpsThatChangeEmptySourceRows) {
  for (int op = -1; op < 40; ++op)
    EXPECT_EQ(opChangesWhereSourceEmpty(op), op == 0 || op == 11 || op == 18 || op == 21) << op;
}

}  // namespace
}  // namespace kanvo
