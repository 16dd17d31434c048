#include "formats/native/ZlibBuffer.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <random>

#include "support/NativeFileBuilder.h"

namespace kanvo {
namespace {

// zlib itself (the peer) reads what we write; we read what it writes at every level, and every
// truncation and random damage of it, into a destination larger or smaller than the data: the
// bytes produced are the data's (up to where damage shows), the rest of the destination is
// zeroed and nothing past it is written. Data that does not shrink fails to compress.
TEST(ZlibBuffer, RoundTripsWithZlibAndNeverOverruns) {
  std::mt19937 rng(4);
  for (size_t n : {size_t(1), size_t(5000), size_t(1) << 20}) {
    std::vector<uint8_t> data(n), packed(n + 64), out(n + 16);
    for (size_t i = 0; i < n; ++i) data[i] = uint8_t((i / 64) * 3 + (rng() % 4 == 0 ? rng() % 3 : 0));
    size_t produced = 0;
    ASSERT_TRUE(ZlibDeflateBuffer(data.data(), n, packed.data(), produced, packed.size()).isOk());
    uLongf outLen = uLongf(n);
    ASSERT_EQ(uncompress(out.data(), &outLen, packed.data(), uLong(produced)), Z_OK);
    EXPECT_TRUE(std::equal(data.begin(), data.end(), out.begin())) << n;
    std::vector<std::pair<std::vector<uint8_t>, std::string>> streams;
    for (int level : {0, 1, 9}) streams.push_back({test::zlibCompress(data.data(), n, level), "whole"});
    const std::vector<uint8_t> peer = streams.back().first;
    for (size_t cut = 0; cut < peer.size() && n == 5000; ++cut)
      streams.push_back({{peer.begin(), peer.begin() + long(cut)}, "cut"});
    for (int round = 0; round < 2000 && n == 5000; ++round) {
      streams.push_back({peer, "damaged"});
      for (int f = 1 + int(rng() % 4); f > 0; --f)
        streams.back().first[rng() % peer.size()] ^= uint8_t(1 + rng() % 255);
    }
    for (const auto& [bytes, what] : streams)
      for (size_t capacity : {n, n - 1}) {
        std::fill(out.begin(), out.end(), 0xCC);
        Status s = ZlibInflateBuffer(bytes.data(), bytes.size(), out.data(), produced, capacity);
        ASSERT_LE(produced, capacity);
        ASSERT_TRUE(std::all_of(out.begin() + long(produced), out.begin() + long(capacity),
                                [](uint8_t b) { return b == 0; }));
        ASSERT_TRUE(
            std::all_of(out.begin() + long(capacity), out.end(), [](uint8_t b) { return b == 0xCC; }));
        if (what == "damaged") continue;
        ASSERT_EQ(s.code(), what == "whole" && capacity == n ? Status::kOk : Status::kPartial)
            << what << " " << bytes.size();
        ASSERT_TRUE(std::equal(out.begin(), out.begin() + long(produced), data.begin())) << what;
        if (what == "whole") {
          ASSERT_EQ(produced, capacity);
        }
      }
  }
  std::vector<uint8_t> noise(4096), packed(4096), out(5000);
  for (uint8_t& b : noise) b = uint8_t(rng());
  size_t produced = 1;
  EXPECT_TRUE(ZlibDeflateBuffer(noise.data(), noise.size(), packed.data(), produced).isFailed());
  EXPECT_EQ(produced, 0u);
  // Damaged headers, check values and a preset dictionary fail with zlib's reason.
  std::vector<uint8_t> badHeader = test::zlibCompress(out.data(), out.size()), badSum = badHeader;
  badHeader[0] = 0x12;
  badSum.back() ^= 1;
  const std::vector<uint8_t> withDictionary = {0x78, 0xbb, 0x06, 0x2c, 0x02, 0x15, 0xcb,
                                               0x00, 0x11, 0x00, 0x06, 0x2c, 0x02, 0x15};
  EXPECT_EQ(ZlibInflateBuffer(badHeader.data(), badHeader.size(), out.data(), produced, 5000).reason(),
            "the compressed data is damaged: incorrect header check");
  EXPECT_EQ(ZlibInflateBuffer(badSum.data(), badSum.size(), out.data(), produced, 5000).reason(),
            "the compressed data is damaged: incorrect data check");
  EXPECT_TRUE(
      ZlibInflateBuffer(withDictionary.data(), withDictionary.size(), out.data(), produced, 5000).isFailed());
  // No destination: nothing is written, the stream's data counts as more than expected.
  EXPECT_TRUE(ZlibInflateBuffer(badSum.data(), badSum.size(), nullptr, produced, 5000).isPartial());
  EXPECT_EQ(produced, 0u);
}

}  // namespace
}  // namespace kanvo
