// The 1 bpp destination spans (blit, fill, threshold) against bit-by-bit references for every
// start offset and many counts.
#include <gtest/gtest.h>

#include <vector>

#include "raster/span/SpanOps.h"
#include "support/SpanRows.h"

namespace kanvo {
namespace {

int getBit(const std::vector<uint8_t>& row, int x) { return (row[size_t(x >> 3)] >> (x & 7)) & 1; }
void setBit(std::vector<uint8_t>& row, int x, int v) {
  row[size_t(x >> 3)] = uint8_t((row[size_t(x >> 3)] & ~(1 << (x & 7))) | (v << (x & 7)));
}

// One destination bit d combined with source bit s; -1 when the op does nothing.
int combineRef(int op, int d, int s) {
  switch (op) {
    case 0: return s;
    case 1: return d & s;
    case 2: return d | s;
    case 3: return d ^ s;
    case 7: return d & !s;
    default: return d;
  }
}

TEST(BlitSpan1, ElevenBitsFromFiveToThree) {
  SpanParams p;
  std::vector<uint8_t> src = {0xFF, 0xFF, 0xFF}, dst = {0, 0, 0};
  blitSpan1(p, src.data(), 5, dst.data(), 3, 11);
  EXPECT_EQ(dst, (std::vector<uint8_t>{0xF8, 0x3F, 0x00}));  // bits 3..13
  src = {0, 0, 0};
  dst = {0xFF, 0xFF, 0xFF};
  blitSpan1(p, src.data(), 5, dst.data(), 3, 11);
  EXPECT_EQ(dst, (std::vector<uint8_t>{0x07, 0xC0, 0xFF}));
}

TEST(BlitSpan1, MatchesBitByBitReference) {
  test::RowMaker make(17);
  for (int op : {0, 1, 2, 3, 7, 4, 5, 6})
    for (int so = 0; so < 8; ++so)
      for (int doff = 0; doff < 8; ++doff)
        for (int count = 0; count <= 40; ++count) {
          // Rows exactly as long as the bits need, so that a read or write past them is caught
          // by the sanitizers.
          std::vector<uint8_t> src = make.bytes(size_t((so + count + 7) / 8 + (count == 0))),
                               dst = make.bytes(size_t((doff + count + 7) / 8 + (count == 0)));
          std::vector<uint8_t> want = dst;
          for (int i = 0; i < count; ++i)
            setBit(want, doff + i, combineRef(op, getBit(dst, doff + i), getBit(src, so + i)));
          SpanParams p;
          p.op = op;
          blitSpan1(p, src.data(), so, dst.data(), doff, count);
          ASSERT_EQ(dst, want) << "op " << op << " from " << so << " to " << doff << " count " << count;
        }
  // Offsets beyond the first byte.
  std::vector<uint8_t> src = {0, 0, 0b00110000, 0}, dst(3, 0);
  SpanParams p;
  blitSpan1(p, src.data(), 20, dst.data(), 10, 3);
  EXPECT_EQ(dst, (std::vector<uint8_t>{0, 0b00001100, 0}));
}

TEST(FillSpan1, MatchesBitByBitReference) {
  test::RowMaker make(23);
  for (int op : {0, 3, 4, 5, 6, 1, 2, 7})
    for (int b = 0; b < 2; ++b)
      for (int off = 0; off < 8; ++off)
        for (int count = 0; count <= 40; ++count) {
          std::vector<uint8_t> dst = make.bytes(size_t((off + count + 7) / 8 + (count == 0)));
          std::vector<uint8_t> want = dst;
          for (int i = 0; i < count; ++i) {
            int d = getBit(dst, off + i);
            int v = op == 0 || op == 3 ? b : op == 4 ? d & b : op == 5 ? d | b : op == 6 ? d ^ b : d;
            setBit(want, off + i, v);
          }
          SpanParams p;
          p.op = op;
          p.key = uint32_t(b) | 0xFE00u;  // only the low bit counts
          fillSpan1(p, dst.data(), off, count);
          ASSERT_EQ(dst, want) << "op " << op << " bit " << b << " at " << off << " count " << count;
        }
}

TEST(ThresholdSpan, MatchesBitByBitReference) {
  test::RowMaker make(29);
  for (int op : {0, 2, 7, 11, 1, 3})
    for (int off = 0; off < 8; ++off)
      for (int count = 0; count <= 40; ++count) {
        std::vector<uint8_t> src = make.bytes(size_t(count + 3)), mask = make.bytes(size_t(count + 1));
        std::vector<uint8_t> dst = make.bytes(size_t((off + count + 7) / 8 + 1));
        std::vector<uint8_t> want = dst, wantMasked = dst;
        for (int i = 0; i < count; ++i) {
          int s = src[size_t(i + 3)] >= 128, d = getBit(dst, off + i);
          int v = op == 0 ? s : op == 2 ? (d | s) : op == 7 ? (d & !s) : op == 11 ? (d & s) : d;
          setBit(want, off + i, v);
          int both = s && mask[size_t(i + 1)] >= 128;
          setBit(wantMasked, off + i, op == 2 ? (d | both) : op == 7 ? (d & !both) : d);
        }
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
