#include "formats/native/ZlibBuffer.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <random>

using kanvo::Status;
using kanvo::ZlibDeflateBuffer;
using kanvo::ZlibInflateBuffer;

namespace {

// Smooth rows with some noise: compressible like picture data.
std::vector<uint8_t> pictureLike(size_t n, uint32_t seed) {
  std::mt19937 rng(seed);
  std::vector<uint8_t> v(n);
  for (size_t i = 0; i < n; ++i) v[i] = uint8_t((i / 64) * 3 + (rng() % 4 == 0 ? rng() % 3 : 0));
  return v;
}

std::vector<uint8_t> randomBytes(size_t n, uint32_t seed) {
  std::mt19937 rng(seed);
  std::vector<uint8_t> v(n);
  for (auto& b : v) b = uint8_t(rng());
  return v;
}

// Compressed by zlib itself, the peer our inflate has to understand.
std::vector<uint8_t> peerCompress(const std::vector<uint8_t>& in, int level) {
  uLongf len = compressBound(uLong(in.size()));
  std::vector<uint8_t> out(len);
  EXPECT_EQ(compress2(out.data(), &len, in.data(), uLong(in.size()), level), Z_OK);
  out.resize(len);
  return out;
}

bool tailIsZero(const std::vector<uint8_t>& v, size_t from) {
  for (size_t i = from; i < v.size(); ++i)
    if (v[i] != 0) return false;
  return true;
}

}  // namespace

TEST(ZlibBuffer, KnownStreamAndRoundTrips) {
  const std::vector<uint8_t> hello = {0x78, 0x9c, 0xcb, 0x48, 0xcd, 0xc9, 0xc9, 0x07, 0x00, 0x06, 0x2c, 0x02, 0x15};
  std::vector<uint8_t> out(5);
  size_t produced = 99;
  ASSERT_TRUE(ZlibInflateBuffer(hello.data(), hello.size(), out.data(), produced, out.size()).isOk());
  EXPECT_EQ(produced, 5u);
  EXPECT_EQ(std::string(out.begin(), out.end()), "hello");

  for (size_t n : {size_t(1), size_t(100), size_t(16384), size_t(1) << 20}) {
    auto data = pictureLike(n, uint32_t(n));
    std::vector<uint8_t> packed(n + 64);
    ASSERT_TRUE(ZlibDeflateBuffer(data.data(), n, packed.data(), produced, packed.size()).isOk()) << n;
    packed.resize(produced);
    // zlib's own uncompress reads what we wrote...
    std::vector<uint8_t> back(n);
    uLongf backLen = uLongf(n);
    ASSERT_EQ(uncompress(back.data(), &backLen, packed.data(), uLong(packed.size())), Z_OK);
    EXPECT_EQ(back, data);
    // ...and we read what zlib wrote at every level.
    for (int level : {0, 1, 9}) {
      auto peer = peerCompress(data, level);
      std::fill(back.begin(), back.end(), 0xCC);
      ASSERT_TRUE(ZlibInflateBuffer(peer.data(), peer.size(), back.data(), produced, n).isOk());
      EXPECT_EQ(produced, n);
      EXPECT_EQ(back, data);
    }
  }
  // With the default capacity (the source's own length) data that does not shrink fails.
  auto noise = randomBytes(4096, 1);
  std::vector<uint8_t> packed(4096);
  Status s = ZlibDeflateBuffer(noise.data(), noise.size(), packed.data(), produced);
  EXPECT_TRUE(s.isFailed());
  EXPECT_EQ(produced, 0u);
  auto flat = std::vector<uint8_t>(4096, 7);
  ASSERT_TRUE(ZlibDeflateBuffer(flat.data(), flat.size(), packed.data(), produced).isOk());
  EXPECT_LT(produced, 100u);
}

TEST(ZlibBuffer, ShortDestinationAndShortStreamArePartial) {
  auto data = pictureLike(10000, 2);
  auto packed = peerCompress(data, 6);

  // The stream holds more than the destination takes: partial, the destination full and good.
  std::vector<uint8_t> out(9999, 0xCC);
  size_t produced = 0;
  Status s = ZlibInflateBuffer(packed.data(), packed.size(), out.data(), produced, out.size());
  EXPECT_TRUE(s.isPartial()) << s.reason();
  EXPECT_EQ(produced, 9999u);
  EXPECT_TRUE(std::equal(out.begin(), out.end(), data.begin()));

  // A larger destination than the stream fills: ok, the rest zeroed.
  out.assign(12000, 0xCC);
  ASSERT_TRUE(ZlibInflateBuffer(packed.data(), packed.size(), out.data(), produced, out.size()).isOk());
  EXPECT_EQ(produced, 10000u);
  EXPECT_TRUE(tailIsZero(out, 10000));

  // Every truncation: never ok, never more than what is there, the rest always zeroed.
  for (size_t cut = 0; cut < packed.size(); ++cut) {
    std::vector<uint8_t> head(packed.begin(), packed.begin() + cut);
    out.assign(10000, 0xCC);
    s = ZlibInflateBuffer(head.data(), head.size(), out.data(), produced, out.size());
    ASSERT_FALSE(s.isOk()) << cut;
    ASSERT_LE(produced, 10000u);
    ASSERT_TRUE(std::equal(out.begin(), out.begin() + long(produced), data.begin())) << cut;
    ASSERT_TRUE(tailIsZero(out, produced)) << cut;
    if (cut > 2) {
      EXPECT_TRUE(s.isPartial()) << cut << " " << s.reason();
    }
  }
}

TEST(ZlibBuffer, DamagedStreamsAreRejected) {
  auto data = pictureLike(5000, 3);
  auto packed = peerCompress(data, 6);
  std::vector<uint8_t> out(5000);
  size_t produced = 0;

  std::vector<uint8_t> badHeader = packed;
  badHeader[0] = 0x12;
  Status s = ZlibInflateBuffer(badHeader.data(), badHeader.size(), out.data(), produced, out.size());
  EXPECT_TRUE(s.isFailed());
  EXPECT_EQ(produced, 0u);
  EXPECT_TRUE(tailIsZero(out, 0));
  EXPECT_EQ(s.reason(), "the compressed data is damaged: incorrect header check");

  std::vector<uint8_t> badSum = packed;
  badSum.back() ^= 1;
  s = ZlibInflateBuffer(badSum.data(), badSum.size(), out.data(), produced, out.size());
  EXPECT_TRUE(s.isFailed());
  EXPECT_EQ(s.reason(), "the compressed data is damaged: incorrect data check");

  const std::vector<uint8_t> withDictionary = {0x78, 0xbb, 0x06, 0x2c, 0x02, 0x15, 0xcb, 0x00,
                                               0x11, 0x00, 0x06, 0x2c, 0x02, 0x15};
  s = ZlibInflateBuffer(withDictionary.data(), withDictionary.size(), out.data(), produced, out.size());
  EXPECT_TRUE(s.isFailed());

  // Random damage: no crash, no write past capacity, the tail always zeroed.
  std::mt19937 rng(4);
  for (int round = 0; round < 2000; ++round) {
    std::vector<uint8_t> bad = packed;
    int flips = 1 + int(rng() % 4);
    for (int f = 0; f < flips; ++f) bad[rng() % bad.size()] ^= uint8_t(1 + rng() % 255);
    std::vector<uint8_t> dst(5000 + 16, 0xCC);
    s = ZlibInflateBuffer(bad.data(), bad.size(), dst.data(), produced, 5000);
    ASSERT_LE(produced, 5000u);
    ASSERT_TRUE(tailIsZero(std::vector<uint8_t>(dst.begin(), dst.begin() + 5000), produced));
    for (size_t i = 5000; i < dst.size(); ++i) ASSERT_EQ(dst[i], 0xCC);
  }

  EXPECT_FALSE(ZlibInflateBuffer(nullptr, 0, out.data(), produced, out.size()).isOk());
  EXPECT_TRUE(tailIsZero(out, 0));
  // No destination: nothing is written, the stream's data counts as more than expected.
  EXPECT_TRUE(ZlibInflateBuffer(packed.data(), packed.size(), nullptr, produced, 5000).isPartial());
  EXPECT_EQ(produced, 0u);
  EXPECT_TRUE(ZlibDeflateBuffer(data.data(), data.size(), out.data(), produced, 0).isFailed());
}
