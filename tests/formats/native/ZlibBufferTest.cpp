#include "formats/native/ZlibBuffer.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <random>

#include "support/NativeFileBuilder.h"

namespace kanvo {
namespace {

// Smooth rows with some noise: compressible like picture data.
std::vector<uint8_t> pictureLike(size_t n, uint32_t seed) {
  std::mt19937 rng(seed);
  std::vector<uint8_t> v(n);
  for (size_t i = 0; i < n; ++i) v[i] = uint8_t((i / 64) * 3 + (rng() % 4 == 0 ? rng() % 3 : 0));
  return v;
}

bool zeroFrom(const std::vector<uint8_t>& v, size_t from, size_t to) {
  return std::all_of(v.begin() + long(from), v.begin() + long(to), [](uint8_t b) { return b == 0; });
}

// zlib itself (the peer) reads what we write, and we read what it writes at every level; data
// that does not shrink does not fit the default capacity (its own length).
TEST(ZlibBuffer, RoundTripsWithZlib) {
  size_t produced = 0;
  for (size_t n : {size_t(1), size_t(100), size_t(16384), size_t(1) << 20}) {
    const std::vector<uint8_t> data = pictureLike(n, uint32_t(n));
    std::vector<uint8_t> packed(n + 64), back(n);
    ASSERT_TRUE(ZlibDeflateBuffer(data.data(), n, packed.data(), produced, packed.size()).isOk());
    uLongf backLen = uLongf(n);
    ASSERT_EQ(uncompress(back.data(), &backLen, packed.data(), uLong(produced)), Z_OK);
    EXPECT_EQ(back, data) << n;
    for (int level : {0, 1, 9}) {
      const std::vector<uint8_t> peer = test::zlibCompress(data.data(), n, level);
      std::fill(back.begin(), back.end(), 0xCC);
      ASSERT_TRUE(ZlibInflateBuffer(peer.data(), peer.size(), back.data(), produced, n).isOk());
      EXPECT_EQ(std::make_pair(produced, back), std::make_pair(n, data)) << n << " level " << level;
    }
  }
  std::vector<uint8_t> noise(4096), packed(4096);
  std::mt19937 rng(1);
  for (uint8_t& b : noise) b = uint8_t(rng());
  EXPECT_TRUE(ZlibDeflateBuffer(noise.data(), noise.size(), packed.data(), produced).isFailed());
  EXPECT_EQ(produced, 0u);
  EXPECT_TRUE(ZlibDeflateBuffer(noise.data(), noise.size(), packed.data(), produced, 0).isFailed());
}

// Every truncation of a stream into a destination larger or smaller than it fills, and random
// damage: the bytes produced are the data's (up to the damage), the rest of the destination is
// zeroed and nothing past it is written.
TEST(ZlibBuffer, ShortDamagedAndCutStreamsNeverOverrun) {
  const std::vector<uint8_t> data = pictureLike(10000, 2),
                             packed = test::zlibCompress(data.data(), data.size());
  std::vector<uint8_t> out(12016);
  size_t produced = 0;
  auto inflate = [&](const std::vector<uint8_t>& bytes, size_t n, size_t capacity) {
    std::fill(out.begin(), out.end(), 0xCC);
    Status s = ZlibInflateBuffer(bytes.data(), n, out.data(), produced, capacity);
    EXPECT_LE(produced, capacity);
    EXPECT_TRUE(zeroFrom(out, produced, capacity));
    EXPECT_TRUE(std::all_of(out.begin() + long(capacity), out.end(), [](uint8_t b) { return b == 0xCC; }));
    return s;
  };
  for (size_t cut = 0; cut <= packed.size(); ++cut)
    for (size_t capacity : {size_t(12000), size_t(9999)}) {
      Status s = inflate(packed, cut, capacity);
      const bool complete = cut == packed.size() && capacity > data.size();
      ASSERT_EQ(s.code(), complete  ? Status::kOk
                          : cut > 2 ? Status::kPartial
                                    : s.code())
          << cut << " " << s.reason();
      ASSERT_TRUE(std::equal(out.begin(), out.begin() + long(produced), data.begin())) << cut;
      if (complete || cut == packed.size()) {
        ASSERT_EQ(produced, std::min(capacity, data.size()));
      }
    }
  std::vector<uint8_t> badHeader = packed, badSum = packed;
  badHeader[0] = 0x12;
  badSum.back() ^= 1;
  EXPECT_EQ(inflate(badHeader, badHeader.size(), 10000).reason(),
            "the compressed data is damaged: incorrect header check");
  EXPECT_EQ(produced, 0u);
  EXPECT_EQ(inflate(badSum, badSum.size(), 10000).reason(),
            "the compressed data is damaged: incorrect data check");
  const std::vector<uint8_t> withDictionary = {0x78, 0xbb, 0x06, 0x2c, 0x02, 0x15, 0xcb,
                                               0x00, 0x11, 0x00, 0x06, 0x2c, 0x02, 0x15};
  EXPECT_TRUE(inflate(withDictionary, withDictionary.size(), 10000).isFailed());
  std::mt19937 rng(4);
  for (int round = 0; round < 2000; ++round) {
    std::vector<uint8_t> bad = packed;
    for (int f = 1 + int(rng() % 4); f > 0; --f) bad[rng() % bad.size()] ^= uint8_t(1 + rng() % 255);
    inflate(bad, bad.size(), 10000);
  }
  // No destination: nothing is written, the stream's data counts as more than expected.
  EXPECT_TRUE(ZlibInflateBuffer(packed.data(), packed.size(), nullptr, produced, 5000).isPartial());
  EXPECT_EQ(produced, 0u);
}

}  // namespace
}  // namespace kanvo
