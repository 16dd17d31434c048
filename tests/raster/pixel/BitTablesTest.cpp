#include "raster/pixel/BitTables.h"

#include <gtest/gtest.h>

namespace kanvo {
namespace {

TEST(BitTables, MasksAndBitCounts) {
  const BitTables& t = bitTables();
  const uint8_t want[32] = {1,   2,   4,   8,   16,  32,  64,  128,   // single bits
                            0,   1,   3,   7,   15,  31,  63,  127,   // n low bits, n = 0..7
                            255, 254, 252, 248, 240, 224, 192, 128,   // 8 low bits = bits 0..7; high masks
                            1,   3,   7,   15,  31,  63,  127, 255};  // k + 1 low bits
  for (int i = 0; i < 32; ++i) EXPECT_EQ(t.masks[i], want[i]) << i;
  for (int k = 0; k < 8; ++k) {
    EXPECT_EQ(t.singleBit(k), want[k]);
    EXPECT_EQ(t.highMask(k), want[16 + k]);
    EXPECT_EQ(t.lowMaskThrough(k), want[24 + k]);
  }
  for (int n = 0; n <= 8; ++n) EXPECT_EQ(t.lowMask(n), want[8 + n]);
  for (int v = 0; v < 256; ++v) {
    EXPECT_EQ(t.byteBitCount[v], __builtin_popcount(v)) << v;
    EXPECT_EQ(t.nibbleBitCount[v & 15], __builtin_popcount(v & 15));
    EXPECT_EQ(t.pairBitCount[v & 3], __builtin_popcount(v & 3));
  }
}

}  // namespace
}  // namespace kanvo
