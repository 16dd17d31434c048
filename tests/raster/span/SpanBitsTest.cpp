// The 1 bpp destination spans (blit, fill, threshold) against bit-by-bit references for every
// bit offset within two bytes and every count up to 40, on rows exactly as long as the bits
// need, so that a read or write past them is caught by the sanitizers.
#include <gtest/gtest.h>

#include <vector>

#include "raster/span/SpanOps.h"
#include "support/SpanRows.h"

namespace kanvo {
namespace {

int getBit(const std::vector<uint8_t>& row, int x) {
  return (row[size_t(x >> 3)] >> (x & 7)) & 1;
}
void setBit(std::vector<uint8_t>& row, int x, int v) {
  row[size_t(x >> 3)] = uint8_t((row[size_t(x >> 3)] & ~(1 << (x & 7))) | (v << (x & 7)));
}
size_t bytesFor(int offset, int count) {
  return size_t((offset + count + 7) / 8 + (count == 0));
}

// The destination after each of its bits offset + i (i < count) became f(old bit, i).
template <class F>
std::vector<uint8_t> bitwise(std::vector<uint8_t> row, int offset, int count, F f) {
  for (int i = 0; i < count; ++i) setBit(row, offset + i, f(getBit(row, offset + i), i));
  return row;
}

TEST(BlitSpan1, MatchesBitByBitReference) {
  test::RowMaker make(17);
  for (int op : {0, 1, 2, 3, 7, 4, 5, 6})
    for (int so = 0; so < 16; ++so)
      for (int doff = 0; doff < 16; ++doff)
        for (int count = 0; count <= 40; ++count) {
          const auto src = make.bytes(bytesFor(so, count));
          std::vector<uint8_t> dst = make.bytes(bytesFor(doff, count));
          const auto want = bitwise(dst, doff, count, [&](int d, int i) {
            const int s = getBit(src, so + i);
            return op == 0 ? s : op == 1 ? d & s : op == 2 ? d | s : op == 3 ? d ^ s : op == 7 ? d & !s : d;
          });
          SpanParams p;
          p.op = op;
          blitSpan1(p, src.data(), so, dst.data(), doff, count);
          ASSERT_EQ(dst, want) << "op " << op << " from " << so << " to " << doff << " count " << count;
        }
}

TEST(FillSpan1, MatchesBitByBitReference) {
  test::RowMaker make(23);
  for (int op : {0, 3, 4, 5, 6, 1, 2, 7})
    for (int b = 0; b < 2; ++b)
      for (int off = 0; off < 16; ++off)
        for (int count = 0; count <= 40; ++count) {
          std::vector<uint8_t> dst = make.bytes(bytesFor(off, count));
          const auto want = bitwise(dst, off, count, [&](int d, int) {
            return op == 0 || op == 3 ? b : op == 4 ? d & b : op == 5 ? d | b : op == 6 ? d ^ b : d;
          });
          SpanParams p;
          p.op = op;
          p.key = uint32_t(b) | 0xFE00u;  // only the low bit counts
          fillSpan1(p, dst.data(), off, count);
          ASSERT_EQ(dst, want) << "op " << op << " bit " << b << " at " << off << " count " << count;
        }
}

TEST(ThresholdSpan, PlainAndMaskedMatchBitByBitReference) {
  test::RowMaker make(29);
  for (int op : {0, 2, 7, 11, 1, 3})
    for (int off = 0; off < 16; ++off)
      for (int count = 0; count <= 40; ++count) {
        const auto src = make.bytes(size_t(count + 3)), mask = make.bytes(size_t(count + 1));
        const auto dst = make.bytes(bytesFor(off, count));
        const auto want = bitwise(dst, off, count, [&](int d, int i) {
          const int s = src[size_t(i + 3)] >= 128;
          return op == 0 ? s : op == 2 ? d | s : op == 7 ? d & !s : op == 11 ? d & s : d;
        });
        const auto wantMasked = bitwise(dst, off, count, [&](int d, int i) {
          const int both = src[size_t(i + 3)] >= 128 && mask[size_t(i + 1)] >= 128;
          return op == 2 ? d | both : op == 7 ? d & !both : d;
        });
        SpanParams p;
        p.op = op;
        std::vector<uint8_t> plain = dst, masked = dst;
        thresholdSpan(p, src.data(), 3, plain.data(), off, count);
        maskedThresholdSpan(p, src.data(), 3, mask.data(), 1, masked.data(), off, count);
        ASSERT_EQ(plain, want) << "op " << op << " at " << off << " count " << count;
        ASSERT_EQ(masked, wantMasked) << "op " << op << " at " << off << " count " << count;
      }
}

TEST(BitSpans, RefuseBadArguments) {
  std::vector<uint8_t> src(4, 0xFF), dst(4, 0);
  SpanParams p;
  blitSpan1(p, src.data(), -1, dst.data(), 0, 8);
  blitSpan1(p, src.data(), 0, dst.data(), -1, 8);
  blitSpan1(p, nullptr, 0, dst.data(), 0, 8);
  p.key = 1;
  fillSpan1(p, dst.data(), 0, -5);
  fillSpan1(p, nullptr, 0, 5);
  thresholdSpan(p, src.data(), 0, dst.data(), -3, 8);
  EXPECT_EQ(dst, std::vector<uint8_t>(4, 0));
}

}  // namespace
}  // namespace kanvo
