// The spans with an 8-bit destination (blend, masked, fill) and the 1-bit fill and threshold
// spans, against plain per-byte and bit-by-bit references. (The 1-bit blit span is checked by
// the Image1 blits.)
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "raster/span/SpanOps.h"
#include "support/SpanRows.h"

namespace kanvo {
namespace {

using test::rowMatches;
using test::spanParams;

// d moved towards v at weight k / 255; k = 0 and k = 255 are exact.
int mix(int d, int v, int k) {
  return k == 0 ? d : k == 255 ? v : ((255 - k) * d + v * k) / 255;
}

int refBlend8(int op, int d, int s, int w, int key, int v) {
  if (op == 0 || op == 1 || op == 2) return op == 0 ? s : op == 1 ? d & s : d | s;
  if (op == 4 || (op == 5 && s != key)) return mix(d, s, w);
  if (op == 6) return std::min(d + s * w / 255, 255);
  if (op == 7 || op == 11) return std::max(d - (op == 7 ? s : 255 - s) * w / 255, 0);
  if (op == 9) return (d + s * w / 255) % 256;
  if (op == 15 && s != 0)
    return s == 255 && w == 255 ? v : ((255 - s * w / 255) * d + v * (s * w / 255)) / 255;
  return d;
}

int refMasked8(int op, int d, int s, int m, int w, int v) {
  if (op == 0 || op == 4 || op == 23) return mix(d, s, m * w / 255);
  if (op != 15 || w == 0 || s == 0 || m == 0) return d;
  int k = s;
  if (w < 255) k = k * w / 255;
  if (m < 255) k = k * m / 255;
  return s == 255 && k == 255 ? v : ((255 - k) * d + v * k) / 255;
}

TEST(Span8, BlendMaskedAndFillMatchReferences) {
  test::RowMaker make(41);
  for (int op = 0; op < 24; ++op)
    for (int w : test::kOpacities) {
      const auto src = make.bytes(300), mask = make.bytes(300), dst = make.bytes(300);
      const int key = src[10], v = make.byte();
      const SpanParams p =
          spanParams(op, w, uint32_t(key) | 0x100u, uint32_t(v) | 0x3300u);  // low bytes count
      std::vector<uint8_t> blended = dst, masked = dst, filled = dst;
      blendSpan8(p, src.data(), 4, blended.data(), 2, 290);
      maskedSpan8(p, src.data(), 1, mask.data(), 3, masked.data(), 0, 297);
      fillSpan8(p, filled.data(), 5, 280);
      ASSERT_TRUE(
          rowMatches(blended, dst, 2, 290,
                     [&](int i) { return refBlend8(op, dst[size_t(2 + i)], src[size_t(4 + i)], w, key, v); }))
          << "blend op " << op << " opacity " << w;
      ASSERT_TRUE(rowMatches(masked, dst, 0, 297,
                             [&](int i) {
                               return refMasked8(op, dst[size_t(i)], src[size_t(i + 1)], mask[size_t(i + 3)],
                                                 w, v);
                             }))
          << "masked op " << op << " opacity " << w;
      ASSERT_TRUE(
          rowMatches(filled, dst, 5, 280,
                     [&](int i) {  // op 7 lightens
                       const int d = dst[size_t(5 + i)];
                       if (op >= 1 && op <= 3) return (key * w + d * (255 - w)) / 255;
                       return op == 0 ? key : op == 7 && key > d ? ((255 - w) * d + key * w) / 255 : d;
                     }))
          << "fill op " << op << " opacity " << w;
    }
}

int getBit(const std::vector<uint8_t>& row, int x) {
  return (row[size_t(x >> 3)] >> (x & 7)) & 1;
}

// The row after each of its bits offset + i (i < count) became f(old bit, i).
template <class F>
std::vector<uint8_t> bitwise(std::vector<uint8_t> row, int offset, int count, F f) {
  for (int i = 0, x = offset; i < count; ++i, ++x)
    row[size_t(x >> 3)] ^= uint8_t((getBit(row, x) ^ f(getBit(row, x), i)) << (x & 7));
  return row;
}

// Every bit offset within two bytes, every count up to 40, on rows exactly as long as the bits
// need, so that a read or write past them is caught by the sanitizers.
TEST(Span1, FillAndThresholdMatchBitByBitReferences) {
  test::RowMaker make(23);
  for (int op = 0; op < 12; ++op)
    for (int off = 0; off < 16; ++off)
      for (int count = 0; count <= 40; ++count) {
        const int b = (op + off + count) & 1;
        const auto src = make.bytes(size_t(count + 3)), mask = make.bytes(size_t(count + 1));
        const auto dst = make.bytes(size_t((off + count + 7) / 8 + (count == 0)));
        const auto fillWant = bitwise(dst, off, count, [&](int d, int) {
          return op == 0 || op == 3 ? b : op == 4 ? d & b : op == 5 ? d | b : op == 6 ? d ^ b : d;
        });
        const auto plainWant = bitwise(dst, off, count, [&](int d, int i) {
          const int s = src[size_t(i + 3)] >= 128;
          return op == 0 ? s : op == 2 ? d | s : op == 7 ? d & !s : op == 11 ? d & s : d;
        });
        const auto maskedWant = bitwise(dst, off, count, [&](int d, int i) {
          const int both = src[size_t(i + 3)] >= 128 && mask[size_t(i + 1)] >= 128;
          return op == 2 ? d | both : op == 7 ? d & !both : d;
        });
        const SpanParams p = spanParams(op, 255, uint32_t(b) | 0xFE00u);  // only the low bit counts
        std::vector<uint8_t> filled = dst, plain = dst, masked = dst;
        fillSpan1(p, filled.data(), off, count);
        thresholdSpan(p, src.data(), 3, plain.data(), off, count);
        maskedThresholdSpan(p, src.data(), 3, mask.data(), 1, masked.data(), off, count);
        ASSERT_EQ(filled, fillWant) << "fill op " << op << " at " << off << " count " << count;
        ASSERT_EQ(plain, plainWant) << "threshold op " << op << " at " << off << " count " << count;
        ASSERT_EQ(masked, maskedWant) << "masked threshold op " << op << " at " << off << " count " << count;
      }
}

}  // namespace
}  // namespace kanvo
