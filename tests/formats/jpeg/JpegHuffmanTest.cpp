// Huffman tables: building, the lookahead decoder against the bit-at-a-time reference, and the
// standard tables against those a real encoder writes.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
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
  HuffmanDecodeTable t;
  std::vector<uint8_t> symbols(300, 1);
  std::array<uint8_t, 16> counts{};
  EXPECT_FALSE(t.build(counts, symbols));  // no codes
  counts[0] = 3;                           // three 1-bit codes
  EXPECT_FALSE(t.build(counts, symbols));
  counts.fill(0);
  counts[1] = 4;  // four 2-bit codes: complete, fine
  EXPECT_TRUE(t.build(counts, symbols));
  counts[2] = 1;  // one more does not fit
  EXPECT_FALSE(t.build(counts, symbols));
  EXPECT_FALSE(t.isDefined());
  counts.fill(0);
  counts[15] = 255;
  counts[14] = 2;  // 257 symbols
  EXPECT_FALSE(t.build(counts, symbols));
  counts.fill(0);
  counts[7] = 10;
  EXPECT_FALSE(t.build(counts, std::span<const uint8_t>(symbols.data(), 9)));  // too few symbols
}

TEST(JpegHuffman, StandardTablesRoundTrip) {
  for (const HuffmanCodes* codes : {&kDcLuminance, &kAcLuminance, &kDcChrominance, &kAcChrominance}) {
    HuffmanEncodeTable enc(*codes);
    HuffmanDecodeTable dec;
    ASSERT_TRUE(dec.build(codes->counts, codes->symbols));
    for (uint8_t sym : codes->symbols) {
      // Write the code left-aligned into a 16-bit stream and decode it.
      uint32_t v = uint32_t(enc.code[sym]) << (16 - enc.length[sym]);
      uint8_t bytes[2] = {uint8_t(v >> 8), uint8_t(v)};
      if (bytes[0] == 0xFF || bytes[1] == 0xFF) continue;  // would read as a marker
      BitReader br(bytes, 2, 0);
      br.ensure(32);
      ASSERT_EQ(dec.decode(br), sym);
      ASSERT_EQ(br.available(), 64 - enc.length[sym]);
    }
  }
}

// The DHT segments of a file written by cjpeg without optimisation hold the standard tables.
TEST(JpegHuffman, StandardTablesMatchThoseCjpegWrites) {
  std::ifstream in(std::string(KANVO_CORPUS_DIR) + "/jpg_444_q85_64x64.jpg", std::ios::binary);
  std::vector<uint8_t> f((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_GT(f.size(), 4u);
  int found = 0;
  for (size_t p = 2; p + 4 < f.size();) {
    if (f[p] != 0xFF) break;
    uint8_t code = f[p + 1];
    size_t len = size_t(f[p + 2] << 8 | f[p + 3]);
    if (code == 0xDA) break;
    if (code == 0xC4) {
      size_t q = p + 4;
      while (q < p + 2 + len) {
        int cls = f[q] >> 4, id = f[q] & 15;
        const HuffmanCodes& codes = cls == 0 ? (id == 0 ? kDcLuminance : kDcChrominance)
                                           : (id == 0 ? kAcLuminance : kAcChrominance);
        int total = 0;
        for (int i = 0; i < 16; ++i) {
          EXPECT_EQ(f[q + 1 + i], codes.counts[i]);
          total += f[q + 1 + i];
        }
        ASSERT_EQ(size_t(total), codes.symbols.size());
        for (int i = 0; i < total; ++i) EXPECT_EQ(f[q + 17 + i], codes.symbols[i]);
        q += 17 + size_t(total);
        ++found;
      }
    }
    p += 2 + len;
  }
  EXPECT_EQ(found, 4);
}

TEST(JpegTables, QuantisationScaling) {
  const auto q85 = scaledQuantTable(kLuminanceQuant, 85);
  const auto q100 = scaledQuantTable(kChrominanceQuant, 100);
  const auto q50 = scaledQuantTable(kLuminanceQuant, 50);
  const auto q10 = scaledQuantTable(kChrominanceQuant, 10);
  for (int k = 0; k < 64; ++k) {
    EXPECT_EQ(q85[k], std::max(1, kLuminanceQuant[k] * 16 / 50));
    EXPECT_EQ(q100[k], std::max(1, kChrominanceQuant[k] / 50));
    EXPECT_EQ(q50[k], kLuminanceQuant[k] * 51 / 50);
    EXPECT_EQ(q10[k], std::min(255, kChrominanceQuant[k] * 5));  // 8-bit tables cap at 255
  }
  // Zigzag order: position 2 is natural index 8 (row 1, column 0): 12 for luminance.
  EXPECT_EQ(kLuminanceQuant[2], 12);
  EXPECT_EQ(kChrominanceQuant[63], 99);
  EXPECT_EQ(q85[0], 5);   // 16 * 16 / 50 = 5.12
  EXPECT_EQ(q100[0], 1);  // 17 / 50 = 0 -> 1
  EXPECT_EQ(scaledQuantTable(kLuminanceQuant, 100)[61], 2);  // 121 / 50
}

}  // namespace
}  // namespace kanvo::jpeg
