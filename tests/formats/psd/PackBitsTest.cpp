// PackBits: the runs written (the PSD round trips check the rest), and decoding that never
// overruns.
#include "formats/psd/PackBits.h"

#include <gtest/gtest.h>

#include <numeric>
#include <random>
#include <vector>

namespace kanvo {
namespace {

// Runs and literals of at most 125 bytes (never the control byte -128); a literal keeps the
// first of an equal pair; every row unpacks to itself.
TEST(PackBits, ExactRunsRoundTrip) {
  std::vector<uint8_t> counting(130), countingPacked = {124};
  std::iota(counting.begin(), counting.end(), uint8_t(0));
  countingPacked.insert(countingPacked.end(), counting.begin(), counting.begin() + 125);
  countingPacked.push_back(4);
  countingPacked.insert(countingPacked.end(), counting.begin() + 125, counting.end());
  const std::pair<std::vector<uint8_t>, std::vector<uint8_t>> cases[] = {
      {std::vector<uint8_t>(200, 9), {uint8_t(-124), 9, uint8_t(-74), 9}},
      {counting, countingPacked},
      {{5}, {0, 5}},
      {{1, 2, 3, 3, 4}, {2, 1, 2, 3, 1, 3, 4}},
      {{3, 3, 4}, {uint8_t(-1), 3, 0, 4}},
  };
  for (const auto& [row, packed] : cases) {
    std::vector<uint8_t> out(packBitsBound(row.size())), back(row.size());
    out.resize(packBitsRow(row.data(), row.size(), out.data()));
    EXPECT_EQ(out, packed);
    ASSERT_TRUE(unpackBits(out.data(), out.size(), back.data(), back.size()));
    EXPECT_EQ(back, row);
  }
  std::mt19937 rng(3);  // random stretches of repeats and noise, across the eight-byte steps
  for (int trial = 0; trial < 300; ++trial) {
    std::vector<uint8_t> row;
    while (row.size() < 400) row.insert(row.end(), rng() % 2 ? 1 : 1 + rng() % 140, uint8_t(rng()));
    std::vector<uint8_t> out(packBitsBound(row.size())), back(row.size());
    out.resize(packBitsRow(row.data(), row.size(), out.data()));
    ASSERT_TRUE(unpackBits(out.data(), out.size(), back.data(), back.size()) && back == row) << trial;
  }
  // -128 is skipped; a run overshooting the count or input running out fails.
  const uint8_t skipped[] = {0x80, 1, 4, 5}, over[] = {uint8_t(-9), 1}, shortLiteral[] = {10, 1, 2};
  uint8_t out[5] = {};
  size_t used = 0;
  EXPECT_TRUE(unpackBits(skipped, sizeof skipped, out, 2, &used));
  EXPECT_EQ(used, 4u);
  EXPECT_FALSE(unpackBits(over, sizeof over, out, 5) ||
               unpackBits(shortLiteral, sizeof shortLiteral, out, 5) || unpackBits(nullptr, 0, out, 1));
}

}  // namespace
}  // namespace kanvo
