// The bit-to-colour span (plain and scaled) against a per-pixel reference built from the pixel
// primitives.
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

// The bit span, one pixel.
Color32 refBit(int op, Color32 d, int bit, int w, Color32 P) {
  if (op == 0) return bit ? kOpaqueBlack : kOpaqueWhite;
  if (op == 2) return bit ? kOpaqueBlack : d;
  if (!bit || w == 0) return d;
  if (op == 3) return w == 255 ? ~d : applied(blendRgb, d, ~d, w);
  if (op == 12) return applied(blendRgbByAlpha, d, P, w);
  if (op == 14) return applied(addRgbByAlpha, d, P, w);
  if (op == 13) return applied(multiplyRgbByAlpha, flattened(d), P, w);
  if (op == 22)
    return perByte(flattened(d), P,
                   [w](int dc, int pc) { return dc + (255 - 2 * dc) * ((255 - pc) * w / 255) / 255; });
  if (op == 23 && alphaOf(d) == 255 && !(alphaOf(P) == 255 && w == 255))
    return perByte(d, P, [w](int dc, int pc) { return dc + (pc - dc) * w / 255; });
  if (op == 23) return test::paintOver(d, P, w);
  return d;
}

int bitOf(const std::vector<uint8_t>& row, int64_t x) {
  return (row[size_t(x >> 3)] >> (x & 7)) & 1;
}

TEST(BitSpan32, EveryOpMatchesPerPixelReference) {
  test::RowMaker make(8);
  for (int op : {0, 2, 3, 12, 13, 14, 22, 23, 1, 4, 17})
    for (int w : test::kOpacities)
      for (int srcBit = 0; srcBit < 8; ++srcBit) {
        const auto bits = make.bytes(12);
        const auto dst = make.pixels(70);
        SpanParams p;
        p.op = op;
        p.opacity = uint8_t(w);
        p.paint = make.pixel();
        ASSERT_TRUE(test::rowMatches(
            test::runSpan32(bitSpan32, p, bits, srcBit, dst, 2, 66), dst, 2, 66,
            [&](int i) { return refBit(op, dst[size_t(2 + i)], bitOf(bits, srcBit + i), w, p.paint); }))
            << "op " << op << " opacity " << w;
      }
}

TEST(BitSpan32, ScaledEqualsGatherThenPaint) {
  test::RowMaker make(21);
  for (int op : {0, 3, 12, 13, 14, 22, 23, 2})
    for (int32_t step : {65536, 30000, 150000}) {
      const int count = 50;
      const int32_t start = 5 << 16 | 123;
      const auto bits = make.bytes(size_t(((start + int64_t(step) * count) >> 16) / 8 + 2));
      const auto dst = make.pixels(count);
      std::vector<uint8_t> gathered((count + 7) / 8);
      for (int i = 0; i < count; ++i)
        gathered[size_t(i / 8)] |= uint8_t(bitOf(bits, (start + int64_t(i) * step) >> 16) << (i % 8));
      SpanParams p;
      p.op = op;
      p.opacity = 190;
      p.paint = make.pixel();
      std::vector<uint8_t> scaled = test::toBytes(dst);
      bitSpan32Scaled(p, bits.data(), start, step, scaled.data(), 0, count);
      EXPECT_EQ(test::toPixels(scaled),
                op == 2 ? dst : test::runSpan32(bitSpan32, p, gathered, 0, dst, 0, count))
          << op;
    }
}

}  // namespace
}  // namespace kanvo
