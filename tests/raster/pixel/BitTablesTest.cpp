#include <gtest/gtest.h>

#include "raster/pixel/BitTables.h"

namespace kanvo {
namespace {

TEST(BitTables, MasksAtTheirEntries) {
  const BitTables& t = bitTables();
  const uint8_t want[32] = {1,   2,   4,   8,   16,  32,  64,  128,  // single bits
                            0,   1,   3,   7,   15,  31,  63,  127,  // n low bits, n = 0..7
                            255, 254, 252, 248, 240, 224, 192, 128,  // 8 low bits = bits 0..7; high masks
                            1,   3,   7,   15,  31,  63,  127, 255};  // k + 1 low bits
  for (int i = 0; i < 32; ++i) EXPECT_EQ(t.masks[i], want[i]) << i;
  for (int k = 0; k < 8; ++k) {
    EXPECT_EQ(t.singleBit(k), 1 << k);
    EXPECT_EQ(t.highMask(k), (255 << k) & 255);
    EXPECT_EQ(t.lowMaskThrough(k), (2 << k) - 1);
  }
  for (int n = 0; n <= 8; ++n) EXPECT_EQ(t.lowMask(n), (1 << n) - 1);
  EXPECT_EQ(&t, &bitTables());
}

TEST(BitTables, BitCounts) {
  const BitTables& t = bitTables();
  for (int v = 0; v < 256; ++v) {
    EXPECT_EQ(t.byteBitCount[v], __builtin_popcount(v)) << v;
    EXPECT_EQ(t.byteBitCount[v], t.nibbleBitCount[v & 15] + t.nibbleBitCount[v >> 4]);
  }
  const int pairs[4] = {0, 1, 1, 2};
  for (int v = 0; v < 4; ++v) EXPECT_EQ(t.pairBitCount[v], pairs[v]);
  EXPECT_EQ(t.byteBitCount[0xB6], 5);
}

}  // namespace
}  // namespace kanvo
