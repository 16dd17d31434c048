// The 8-bit destination spans (blend, masked, fill) against hand-computed cases and plain
// references.
#include <gtest/gtest.h>

#include <vector>

#include "raster/pixel/PixelOps.h"
#include "raster/span/SpanOps.h"
#include "support/SpanRows.h"

namespace kanvo {
namespace {

int refBlend8(int op, int d, int s, int w, int key, int v) {
  switch (op) {
    case 0: return s;
    case 1: return d & s;
    case 2: return d | s;
    case 4: return w == 0 ? d : w == 255 ? s : ((255 - w) * d + s * w) / 255;
    case 5: return s == key ? d : refBlend8(4, d, s, w, key, v);
    case 6: return std::min(d + s * w / 255, 255);
    case 7: return std::max(d - s * w / 255, 0);
    case 9: return (d + s * w / 255) % 256;
    case 11: return std::max(d - (255 - s) * w / 255, 0);
    case 15: {
      if (s == 0) return d;
      if (s == 255 && w == 255) return v;
      int k = s * w / 255;
      return ((255 - k) * d + v * k) / 255;
    }
    default: return d;
  }
}

int blendOne(int op, int w, int d, int s, uint32_t key = 0, uint32_t paint = 0) {
  SpanParams p;
  p.op = op;
  p.opacity = uint8_t(w);
  p.key = key;
  p.paint = paint;
  uint8_t dv = uint8_t(d), sv = uint8_t(s);
  blendSpan8(p, &sv, 0, &dv, 0, 1);
  return dv;
}

TEST(BlendSpan8, HandComputed) {
  EXPECT_EQ(blendOne(9, 255, 200, 100), 44);  // 300 wraps
  EXPECT_EQ(blendOne(9, 128, 200, 255), 72);  // 200 + 128 = 328 -> 72
  EXPECT_EQ(blendOne(6, 255, 200, 100), 255);
  EXPECT_EQ(blendOne(7, 128, 100, 255), 0);  // 100 - 128 clamps to 0
  EXPECT_EQ(blendOne(7, 128, 200, 255), 72);
  EXPECT_EQ(blendOne(11, 255, 100, 200), 45);  // 100 - 55
  EXPECT_EQ(blendOne(4, 100, 10, 250), 104);   // (155 x 10 + 250 x 100) / 255
  EXPECT_EQ(blendOne(5, 100, 10, 250, 250), 10);
  EXPECT_EQ(blendOne(5, 100, 10, 250, 0x1FA), 10);  // only the low byte is the key
  EXPECT_EQ(blendOne(15, 255, 0, 255, 0, 200), 200);
  EXPECT_EQ(blendOne(15, 255, 0, 128, 0, 200), 100);  // k = 128: 200 x 128 / 255 = 100
  EXPECT_EQ(blendOne(15, 255, 77, 0, 0, 200), 77);
  EXPECT_EQ(blendOne(1, 0, 0xF0, 0x3C), 0x30);
  EXPECT_EQ(blendOne(2, 0, 0xF0, 0x3C), 0xFC);
}

TEST(BlendSpan8, EveryOpMatchesReference) {
  test::RowMaker make(41);
  for (int op : {0, 1, 2, 4, 5, 6, 7, 9, 11, 15, 3, 8, 23})
    for (int w : test::kOpacities) {
      auto src = make.bytes(300), dst = make.bytes(300);
      SpanParams p;
      p.op = op;
      p.opacity = uint8_t(w);
      p.key = src[10];
      p.paint = uint32_t(make.byte());
      std::vector<uint8_t> got = dst;
      blendSpan8(p, src.data(), 4, got.data(), 2, 290);
      for (int i = 0; i < 300; ++i) {
        int want = i >= 2 && i < 292 ? refBlend8(op, dst[i], src[i + 2], w, p.key & 255, p.paint & 255) : dst[i];
        ASSERT_EQ(got[i], want) << "op " << op << " opacity " << w << " at " << i;
      }
    }
}

int refMasked8(int op, int d, int s, int m, int w, int v) {
  if (op == 0 || op == 4 || op == 23) {
    int k = m * w / 255;
    return k == 0 ? d : k == 255 ? s : ((255 - k) * d + s * k) / 255;
  }
  if (op == 15) {
    if (w == 0 || s == 0 || m == 0) return d;
    int k = s;
    if (w < 255) k = k * w / 255;
    if (m < 255) k = k * m / 255;
    if (s == 255 && k == 255) return v;
    return ((255 - k) * d + v * k) / 255;
  }
  return d;
}

TEST(MaskedSpan8, MatchesReference) {
  test::RowMaker make(43);
  for (int op : {0, 4, 23, 15, 6, 12})
    for (int w : test::kOpacities) {
      auto src = make.bytes(100), mask = make.bytes(100), dst = make.bytes(100);
      SpanParams p;
      p.op = op;
      p.opacity = uint8_t(w);
      p.paint = uint32_t(make.byte());
      std::vector<uint8_t> got = dst;
      maskedSpan8(p, src.data(), 1, mask.data(), 3, got.data(), 0, 97);
      for (int i = 0; i < 100; ++i) {
        int want = i < 97 ? refMasked8(op, dst[i], src[i + 1], mask[i + 3], w, p.paint & 255) : dst[i];
        ASSERT_EQ(got[i], want) << "op " << op << " opacity " << w << " at " << i;
      }
    }
}

TEST(FillSpan8, HandComputedAndReference) {
  SpanParams p;
  p.op = kOpSubtract;  // lighten
  p.key = 200;
  p.opacity = 128;
  std::vector<uint8_t> d = {100, 250};
  fillSpan8(p, d.data(), 0, 2);
  EXPECT_EQ(d, (std::vector<uint8_t>{150, 250}));  // (127 x 100 + 200 x 128) / 255 = 150

  test::RowMaker make(47);
  for (int op : {0, 1, 2, 3, 7, 4, 6})
    for (int w : test::kOpacities) {
      auto dst = make.bytes(50);
      p.op = op;
      p.opacity = uint8_t(w);
      p.key = uint32_t(make.byte()) | 0xAB00u;
      const int v = int(p.key & 255);
      std::vector<uint8_t> got = dst;
      fillSpan8(p, got.data(), 5, 40);
      for (int i = 0; i < 50; ++i) {
        int dv = dst[i], want = dv;
        if (i >= 5 && i < 45) {
          if (op == 0) want = v;
          if (op >= 1 && op <= 3) want = (v * w + dv * (255 - w)) / 255;
          if (op == 7 && v > dv) want = ((255 - w) * dv + v * w) / 255;
        }
        ASSERT_EQ(got[i], want) << op << " " << w;
      }
    }
}

}  // namespace
}  // namespace kanvo
