// The bit-to-colour span (plain and scaled) against hand-computed cases and a per-pixel
// reference built from the pixel primitives.
#include <gtest/gtest.h>

#include <vector>

#include "raster/pixel/PixelOps.h"
#include "raster/span/SpanOps.h"
#include "support/SpanRows.h"

namespace kanvo {
namespace {

using test::RowMaker;

constexpr Color32 kRgb = 0x00FFFFFFu;

Color32 refBit(int op, Color32 d, int bit, int w, Color32 P) {
  if (op == 0) return bit ? kOpaqueBlack : kOpaqueWhite;
  if (op == 2) return bit ? kOpaqueBlack : d;
  if (!bit || w == 0) return d;
  switch (op) {
    case 3:
      if (w == 255) return ~d;
      blendRgb(d, ~d, w);
      return d;
    case 12: blendRgbByAlpha(d, P, w); return d;
    case 14: addRgbByAlpha(d, P, w); return d;
    case 13:
      if (alphaOf(d) < 255) d = flattenOntoWhite(d);
      multiplyRgbByAlpha(d, P, w);
      return d;
    case 22: {
      if (alphaOf(d) < 255) d = flattenOntoWhite(d);
      Color32 out = d & ~kRgb;
      for (int i = 0; i < 3; ++i) {
        int dc = byteOf(d, i), q = (255 - byteOf(P, i)) * w / 255;
        out |= uint32_t(dc + (255 - 2 * dc) * q / 255) << (8 * i);
      }
      return out;
    }
    case 23: {
      if (alphaOf(P) == 255 && w == 255) return P;
      if (alphaOf(d) == 255) {
        Color32 out = d & ~kRgb;
        for (int i = 0; i < 3; ++i)
          out |= uint32_t(byteOf(d, i) + (byteOf(P, i) - byteOf(d, i)) * w / 255) << (8 * i);
        return out;
      }
      if (alphaOf(d) == 0) return w < 255 ? (P & kRgb) | uint32_t(alphaOf(P) * w / 255) << 24 : P;
      over(d, P, w);
      return d;
    }
    default: return d;
  }
}

int bitOf(const std::vector<uint8_t>& row, int64_t x) { return (row[size_t(x >> 3)] >> (x & 7)) & 1; }

TEST(BitSpan32, HandComputed) {
  SpanParams p;
  std::vector<uint8_t> bits = {0x05};  // bits 0 and 2 set
  std::vector<uint8_t> d = test::toBytes({1, 2, 3, 4});
  bitSpan32(p, bits.data(), 0, d.data(), 0, 4);
  EXPECT_EQ(test::toPixels(d), (std::vector<Color32>{kOpaqueBlack, kOpaqueWhite, kOpaqueBlack, kOpaqueWhite}));

  p.op = kOpOr;
  d = test::toBytes({1, 2, 3, 4});
  bitSpan32(p, bits.data(), 1, d.data(), 0, 4);  // source bits 1..4: 0, 1, 0, 0
  EXPECT_EQ(test::toPixels(d), (std::vector<Color32>{1, kOpaqueBlack, 3, 4}));

  p.op = kOpOverFill;  // invert
  d = test::toBytes({0x12345678u, 0x12345678u});
  bitSpan32(p, bits.data(), 0, d.data(), 0, 2);
  EXPECT_EQ(test::toPixels(d), (std::vector<Color32>{0xEDCBA987u, 0x12345678u}));
  p.opacity = 0;
  bitSpan32(p, bits.data(), 0, d.data(), 0, 2);
  EXPECT_EQ(test::toPixels(d), (std::vector<Color32>{0xEDCBA987u, 0x12345678u}));

  // Op 23 onto opaque, opacity 128: 0 + (255 - 0) x 128 / 255 = 128, alpha stays.
  p.op = kOpOver;
  p.opacity = 128;
  p.paint = makeColor(255, 255, 255, 255);
  d = test::toBytes({makeColor(0, 0, 0, 255), 0});
  bitSpan32(p, bits.data(), 0, d.data(), 0, 1);
  bitSpan32(p, bits.data(), 2, d.data(), 1, 1);
  // Onto transparent: alpha 255 x 128 / 255 = 128.
  EXPECT_EQ(test::toPixels(d), (std::vector<Color32>{makeColor(128, 128, 128, 255), makeColor(255, 255, 255, 128)}));
}

TEST(BitSpan32, EveryOpMatchesPerPixelReference) {
  RowMaker make(8);
  for (int op : {0, 2, 3, 12, 13, 14, 22, 23, 1, 4, 17})
    for (int w : test::kOpacities)
      for (int srcBit = 0; srcBit < 8; ++srcBit) {
        const int n = 70;
        auto bits = make.bytes(12);
        auto dst = make.pixels(n);
        SpanParams p;
        p.op = op;
        p.opacity = uint8_t(w);
        p.paint = make.pixel();
        std::vector<uint8_t> d = test::toBytes(dst);
        bitSpan32(p, bits.data(), srcBit, d.data(), 2, n - 4);
        auto got = test::toPixels(d);
        for (int i = 0; i < n; ++i) {
          bool inside = i >= 2 && i < n - 2;
          ASSERT_EQ(got[i], inside ? refBit(op, dst[i], bitOf(bits, srcBit + i - 2), w, p.paint) : dst[i])
              << "op " << op << " opacity " << w << " pixel " << i;
        }
      }
}

TEST(BitSpan32, ScaledEqualsGatherThenPaint) {
  RowMaker make(21);
  for (int op : {0, 3, 12, 13, 14, 22, 23, 2})
    for (int32_t step : {65536, 30000, 150000}) {
      const int count = 50;
      const int32_t start = 5 << 16 | 123;
      auto bits = make.bytes(size_t(((start + int64_t(step) * count) >> 16) / 8 + 2));
      auto dst = make.pixels(count);
      std::vector<uint8_t> gathered((count + 7) / 8);
      for (int i = 0; i < count; ++i)
        gathered[size_t(i / 8)] |= uint8_t(bitOf(bits, (start + int64_t(i) * step) >> 16) << (i % 8));
      SpanParams p;
      p.op = op;
      p.opacity = 190;
      p.paint = make.pixel();
      std::vector<uint8_t> scaled = test::toBytes(dst), plain = test::toBytes(dst);
      bitSpan32Scaled(p, bits.data(), start, step, scaled.data(), 0, count);
      if (op != 2) bitSpan32(p, gathered.data(), 0, plain.data(), 0, count);
      EXPECT_EQ(scaled, plain) << op;
    }
}

}  // namespace
}  // namespace kanvo
