// Huffman tables: building, and the lookahead decoding against the bit-at-a-time reference.
#include "formats/jpeg/JpegHuffman.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "formats/jpeg/JpegTables.h"

namespace kanvo::jpeg {
namespace {

// Random counts that fit (complete or not), with distinct symbols.
void randomTable(std::mt19937& rng, std::array<uint8_t, 16>& counts, std::vector<uint8_t>& symbols) {
  int64_t space = 1;  // free codes at the current length
  int total = 0;
  for (int len = 1; len <= 16; ++len) {
    space *= 2;
    const int limit = int(std::min<int64_t>(space, 256 - total));
    int take = limit <= 0 ? 0 : rng() % 2 ? int(rng() % (limit + 1)) : int(rng() % (std::min(limit, 4) + 1));
    if (len == 16 && total + take == 0) take = 1;
    counts[size_t(len - 1)] = uint8_t(take);
    total += take;
    space -= take;
  }
  symbols.resize(256);
  for (int i = 0; i < 256; ++i) symbols[size_t(i)] = uint8_t(i);
  std::shuffle(symbols.begin(), symbols.end(), rng);
  symbols.resize(size_t(total));
}

// Random tables and the standard AC tables: decoding a stream (real codes mixed with bits that
// may match nothing) equals the reference symbol for symbol, and every whole-coefficient entry
// of the 9-bit lookahead equals the symbol read bit by bit followed by its value bits, extended.
TEST(JpegHuffman, LookaheadDecodingEqualsBitAtATime) {
  std::mt19937 rng(99);
  int wholeEntries = 0;
  for (int t = 0; t < 402; ++t) {
    std::array<uint8_t, 16> counts{};
    std::vector<uint8_t> symbols;
    const HuffmanCodes* standard = t == 0 ? &kAcLuminance : t == 1 ? &kAcChrominance : nullptr;
    if (standard) {
      std::copy(standard->counts.begin(), standard->counts.end(), counts.begin());
      symbols.assign(standard->symbols.begin(), standard->symbols.end());
    } else {
      randomTable(rng, counts, symbols);
    }
    HuffmanDecodeTable table;
    ASSERT_TRUE(table.build(counts, symbols));
    std::vector<uint8_t> bytes(4096);
    for (uint8_t& b : bytes) b = uint8_t(rng() % 255);  // no 0xFF: no markers
    BitReader fast(bytes.data(), bytes.size(), 0), plain(bytes.data(), bytes.size(), 0);
    for (int i = 0; i < 1500; ++i) {
      fast.ensure(32);
      plain.ensure(32);
      ASSERT_EQ(table.decode(fast), decodeSymbolPlain(table, plain)) << "table " << t << " symbol " << i;
      ASSERT_EQ(std::make_pair(fast.available(), fast.peek16()),
                std::make_pair(plain.available(), plain.peek16()));
    }
    for (uint32_t look = 0; look < (1u << HuffmanDecodeTable::kLookBits) && t < 200; ++look) {
      const int entry = table.fastAc(look);
      if (entry == 0) continue;
      ++wholeEntries;
      // The nine bits first (a 0xFF byte stuffed with 0x00, as in a scan).
      std::vector<uint8_t> nine = {uint8_t(look >> 1)};
      if (nine[0] == 0xFF) nine.push_back(0);
      nine.insert(nine.end(), {uint8_t((look & 1) << 7), 0, 0});
      BitReader br(nine.data(), nine.size(), 0);
      br.ensure(32);
      const int held = br.available(), symbol = decodeSymbolPlain(table, br), size = symbol & 15;
      ASSERT_GT(size, 0);
      const uint32_t bits = br.get(size);
      const int value = bits < (1u << (size - 1)) ? int(bits) - (1 << size) + 1 : int(bits);
      EXPECT_EQ(std::make_tuple(entry >> 8, (entry >> 4) & 15, entry & 15),
                std::make_tuple(value, symbol >> 4, held - br.available()))
          << look;
    }
  }
  EXPECT_GT(wholeEntries, 1000);
}

TEST(JpegHuffman, RefusesTablesThatDoNotFit) {
  // Counts by code length (1-based), how many symbols are given, and whether the table fits:
  // no codes; three 1-bit codes; four 2-bit codes (complete); one more; 257 symbols; too few.
  // clang-format off
  const std::tuple<std::vector<std::pair<int, int>>, size_t, bool> cases[] = {
      {{}, 300, false}, {{{1, 3}}, 300, false}, {{{2, 4}}, 300, true}, {{{2, 4}, {3, 1}}, 300, false},
      {{{16, 255}, {15, 2}}, 300, false}, {{{8, 10}}, 9, false}};
  // clang-format on
  const std::vector<uint8_t> symbols(300, 1);
  for (const auto& [lengths, n, fits] : cases) {
    std::array<uint8_t, 16> counts{};
    for (auto [length, count] : lengths) counts[size_t(length - 1)] = uint8_t(count);
    HuffmanDecodeTable t;
    EXPECT_EQ(t.build(counts, std::span<const uint8_t>(symbols.data(), n)), fits);
    EXPECT_EQ(t.isDefined(), fits);
  }
}

}  // namespace
}  // namespace kanvo::jpeg
