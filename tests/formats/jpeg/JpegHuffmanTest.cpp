// Huffman tables: building, and the lookahead decoder against the bit-at-a-time reference.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "formats/jpeg/JpegHuffman.h"
#include "formats/jpeg/JpegTables.h"

namespace kanvo::jpeg {
namespace {

// Random counts that fit (complete or not), with distinct symbols.
void randomTable(std::mt19937& rng, std::array<uint8_t, 16>& counts, std::vector<uint8_t>& symbols) {
  counts.fill(0);
  int64_t space = 1;  // free codes at the current length
  int total = 0;
  std::uniform_int_distribution<int> pick(0, 99);
  for (int len = 1; len <= 16; ++len) {
    space *= 2;
    int take = 0;
    int limit = int(std::min<int64_t>(space, 256 - total));
    if (limit > 0) take = pick(rng) < 50 ? int(rng() % (limit + 1)) : int(rng() % (std::min(limit, 4) + 1));
    if (len == 16 && total + take == 0) take = 1;
    counts[len - 1] = uint8_t(take);
    total += take;
    space -= take;
  }
  std::vector<uint8_t> all(256);
  for (int i = 0; i < 256; ++i) all[i] = uint8_t(i);
  std::shuffle(all.begin(), all.end(), rng);
  symbols.assign(all.begin(), all.begin() + total);
}

TEST(JpegHuffman, LookaheadDecodingEqualsBitAtATime) {
  std::mt19937 rng(99);
  for (int t = 0; t < 400; ++t) {
    std::array<uint8_t, 16> counts;
    std::vector<uint8_t> symbols;
    randomTable(rng, counts, symbols);
    HuffmanDecodeTable table;
    ASSERT_TRUE(table.build(counts, symbols));
    // A stream of real codes mixed with random bits (which may match nothing).
    std::vector<uint8_t> bytes(4096);
    for (uint8_t& b : bytes) {
      b = uint8_t(rng());
      if (b == 0xFF) b = 0xFE;  // keep markers out of the stream
    }
    BitReader fast(bytes.data(), bytes.size(), 0), plain(bytes.data(), bytes.size(), 0);
    for (int i = 0; i < 1500; ++i) {
      fast.ensure(32);
      plain.ensure(32);
      int a = table.decode(fast);
      int b = decodeSymbolPlain(table, plain);
      ASSERT_EQ(a, b) << "table " << t << " symbol " << i;
      ASSERT_EQ(fast.available(), plain.available());
      ASSERT_EQ(fast.peek16(), plain.peek16());
    }
  }
}

// Every 9-bit lookahead of random tables and the standard AC tables: a whole-coefficient entry
// equals the symbol read bit by bit followed by its value bits, extended.
TEST(JpegHuffman, WholeCoefficientEntriesEqualSymbolThenValueBits) {
  std::mt19937 rng(5);
  std::vector<HuffmanDecodeTable> tables;
  for (const HuffmanCodes* codes : {&kAcLuminance, &kAcChrominance}) {
    std::array<uint8_t, 16> counts;
    std::copy(codes->counts.begin(), codes->counts.end(), counts.begin());
    tables.emplace_back();
    ASSERT_TRUE(tables.back().build(counts, codes->symbols));
  }
  for (int t = 0; t < 200; ++t) {
    std::array<uint8_t, 16> counts;
    std::vector<uint8_t> symbols;
    randomTable(rng, counts, symbols);
    tables.emplace_back();
    ASSERT_TRUE(tables.back().build(counts, symbols));
  }
  int wholeEntries = 0;
  for (const HuffmanDecodeTable& table : tables) {
    for (uint32_t look = 0; look < (1u << HuffmanDecodeTable::kLookBits); ++look) {
      const int fast = table.fastAc(look);
      if (fast == 0) continue;
      ++wholeEntries;
      // The nine bits first (a 0xFF byte stuffed with 0x00, as in a scan).
      std::vector<uint8_t> bytes = {uint8_t(look >> 1)};
      if (bytes[0] == 0xFF) bytes.push_back(0);
      bytes.insert(bytes.end(), {uint8_t((look & 1) << 7), 0, 0});
      BitReader plain(bytes.data(), bytes.size(), 0);
      plain.ensure(32);
      const int held = plain.available();
      const int symbol = decodeSymbolPlain(table, plain);
      ASSERT_GT(symbol & 15, 0);
      const int size = symbol & 15;
      const uint32_t bits = plain.get(size);
      const int value = bits < (1u << (size - 1)) ? int(bits) - (1 << size) + 1 : int(bits);
      EXPECT_EQ(fast >> 8, value) << look;
      EXPECT_EQ((fast >> 4) & 15, symbol >> 4) << look;
      EXPECT_EQ(fast & 15, held - plain.available()) << look;
    }
  }
  EXPECT_GT(wholeEntries, 1000);
}

TEST(JpegHuffman, RefusesTablesThatDoNotFit) {
  // Counts by code length (1-based) and how many symbols are given.
  struct Case {
    std::vector<std::pair<int, int>> counts;
    size_t symbols;
    bool fits;
  };
  const Case cases[] = {
      {{}, 300, false},                    // no codes
      {{{1, 3}}, 300, false},              // three 1-bit codes
      {{{2, 4}}, 300, true},               // four 2-bit codes: complete
      {{{2, 4}, {3, 1}}, 300, false},      // one more does not fit
      {{{16, 255}, {15, 2}}, 300, false},  // 257 symbols
      {{{8, 10}}, 9, false},               // too few symbols
  };
  const std::vector<uint8_t> symbols(300, 1);
  for (const Case& c : cases) {
    std::array<uint8_t, 16> counts{};
    for (auto [length, n] : c.counts) counts[size_t(length - 1)] = uint8_t(n);
    HuffmanDecodeTable t;
    EXPECT_EQ(t.build(counts, std::span<const uint8_t>(symbols.data(), c.symbols)), c.fits);
    EXPECT_EQ(t.isDefined(), c.fits);
  }
}

}  // namespace
}  // namespace kanvo::jpeg
