// PackBits: run boundaries, the literal rule, and decoding that never overruns.
#include "formats/psd/PackBits.h"

#include <gtest/gtest.h>

#include <random>

namespace kanvo {
namespace {

TEST(PackBits, ExactRuns) {
  const std::pair<std::vector<uint8_t>, std::vector<uint8_t>> cases[] = {
      {std::vector<uint8_t>(200, 9), {uint8_t(-124), 9, uint8_t(-74), 9}},  // repeats split at 125
      {{5}, {0, 5}},
      {{1, 2, 3, 3, 4}, {2, 1, 2, 3, 1, 3, 4}},  // a literal keeps the first of an equal pair
      {{3, 3, 4}, {uint8_t(-1), 3, 0, 4}},
  };
  for (const auto& [row, packed] : cases) {
    std::vector<uint8_t> out;
    packBitsRow(row.data(), row.size(), out);
    EXPECT_EQ(out, packed);
  }
}

// Rows of one value, counting bytes, noise and three-valued noise at the lengths around the run
// limit round-trip, and no run is longer than 125 bytes or uses the control byte -128.
TEST(PackBits, RandomRowsRoundTripWithShortRuns) {
  std::mt19937 rng(12345);
  for (size_t n : {1u, 2u, 125u, 126u, 127u, 128u, 129u, 300u, 4096u, 5000u})
    for (int kind = 0; kind < 4; ++kind) {
      SCOPED_TRACE(std::to_string(n) + " kind " + std::to_string(kind));
      std::vector<uint8_t> row(n, 7), packed, back(n);
      for (size_t i = 0; i < n && kind > 0; ++i)
        row[i] = kind == 1 ? uint8_t(i) : uint8_t(rng() % (kind == 2 ? 256 : 3));
      packBitsRow(row.data(), row.size(), packed);
      for (size_t i = 0; i < packed.size(); i += int8_t(packed[i]) >= 0 ? size_t(int8_t(packed[i])) + 2 : 2) {
        const int c = int8_t(packed[i]);
        ASSERT_TRUE(c != -128 && (c >= 0 ? c + 1 : 1 - c) <= 125) << c;
      }
      ASSERT_TRUE(unpackBits(packed.data(), packed.size(), back.data(), n));
      EXPECT_EQ(back, row);
    }
}

TEST(PackBits, DecodingStopsAtTheExpectedCount) {
  // -128 is skipped; a run overshooting the count or input running out fails.
  const uint8_t skipped[] = {0x80, 1, 4, 5}, over[] = {uint8_t(-9), 1}, shortLiteral[] = {10, 1, 2};
  uint8_t out[5] = {};
  size_t used = 0;
  EXPECT_TRUE(unpackBits(skipped, sizeof skipped, out, 2, &used));
  EXPECT_EQ(used, 4u);
  EXPECT_FALSE(unpackBits(over, sizeof over, out, 5));
  EXPECT_FALSE(unpackBits(shortLiteral, sizeof shortLiteral, out, 5));
  EXPECT_FALSE(unpackBits(nullptr, 0, out, 1));
}

}  // namespace
}  // namespace kanvo
