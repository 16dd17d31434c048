// PackBits: run boundaries, the literal rule, and decoding that never overruns.
#include "formats/psd/PackBits.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace kanvo {
namespace {

std::vector<uint8_t> pack(const std::vector<uint8_t>& row) {
  std::vector<uint8_t> out;
  packBitsRow(row.data(), row.size(), out);
  return out;
}

// Walks the packed runs, checking no control byte is -128 and no run exceeds 125 bytes.
void expectWellFormed(const std::vector<uint8_t>& packed) {
  size_t i = 0;
  while (i < packed.size()) {
    int c = int8_t(packed[i++]);
    ASSERT_NE(c, -128);
    if (c >= 0) {
      ASSERT_LE(c + 1, 125);
      i += size_t(c) + 1;
    } else {
      ASSERT_LE(1 - c, 125);
      i += 1;
    }
  }
  EXPECT_EQ(i, packed.size());
}

TEST(PackBitsTest, RepeatsSplitAt125) {
  for (size_t n : {1u, 2u, 125u, 126u, 127u, 128u, 129u, 200u, 5000u}) {
    std::vector<uint8_t> row(n, 7);
    std::vector<uint8_t> packed = pack(row);
    expectWellFormed(packed);
    std::vector<uint8_t> back(n);
    ASSERT_TRUE(unpackBits(packed.data(), packed.size(), back.data(), n)) << n;
    EXPECT_EQ(back, row) << n;
  }
  EXPECT_EQ(pack(std::vector<uint8_t>(200, 9)), (std::vector<uint8_t>{uint8_t(-124), 9, uint8_t(-74), 9}));
  EXPECT_EQ(pack({5}), (std::vector<uint8_t>{0, 5}));
}

TEST(PackBitsTest, LiteralKeepsTheFirstOfAnEqualPair) {
  EXPECT_EQ(pack({1, 2, 3, 3, 4}), (std::vector<uint8_t>{2, 1, 2, 3, 1, 3, 4}));
  EXPECT_EQ(pack({3, 3, 4}), (std::vector<uint8_t>{uint8_t(-1), 3, 0, 4}));
}

TEST(PackBitsTest, LiteralsSplitAt125AndRandomRowsRoundTrip) {
  std::mt19937 rng(12345);
  for (size_t n : {1u, 2u, 125u, 126u, 127u, 128u, 129u, 300u, 4096u}) {
    for (int kind = 0; kind < 3; ++kind) {
      std::vector<uint8_t> row(n);
      for (size_t i = 0; i < n; ++i) row[i] = kind == 0 ? uint8_t(i) : uint8_t(rng() % (kind == 1 ? 256 : 3));
      std::vector<uint8_t> packed = pack(row);
      expectWellFormed(packed);
      std::vector<uint8_t> back(n);
      ASSERT_TRUE(unpackBits(packed.data(), packed.size(), back.data(), n));
      EXPECT_EQ(back, row);
    }
  }
}

TEST(PackBitsTest, DecodingStopsAtTheExpectedCount) {
  // -128 is skipped; a run overshooting the count or input running out fails.
  const uint8_t skipped[] = {0x80, 1, 4, 5};
  uint8_t out[4] = {};
  size_t used = 0;
  EXPECT_TRUE(unpackBits(skipped, sizeof skipped, out, 2, &used));
  EXPECT_EQ(used, 4u);
  const uint8_t over[] = {uint8_t(-9), 1};
  uint8_t small[5] = {};
  EXPECT_FALSE(unpackBits(over, sizeof over, small, 5));
  const uint8_t shortLiteral[] = {10, 1, 2};
  EXPECT_FALSE(unpackBits(shortLiteral, sizeof shortLiteral, small, 5));
  EXPECT_FALSE(unpackBits(nullptr, 0, small, 1));
}

}  // namespace
}  // namespace kanvo
