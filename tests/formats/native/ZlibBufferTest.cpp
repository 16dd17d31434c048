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

bool zeroFrom(const uint8_t* p, size_t from, size_t to) {
  return std::all_of(p + from, p + to, [](uint8_t b) { return b == 0; });
}

// zlib itself (the peer) reads what we write, and we read what it writes at every level.
TEST(ZlibBuffer, RoundTripsWithZlib) {
  size_t produced = 0;
  for (size_t n : {size_t(1), size_t(100), size_t(16384), size_t(1) << 20}) {
    SCOPED_TRACE(n);
    const std::vector<uint8_t> data = pictureLike(n, uint32_t(n));
    std::vector<uint8_t> packed(n + 64), back(n);
    ASSERT_TRUE(ZlibDeflateBuffer(data.data(), n, packed.data(), produced, packed.size()).isOk());
    uLongf backLen = uLongf(n);
    ASSERT_EQ(uncompress(back.data(), &backLen, packed.data(), uLong(produced)), Z_OK);
    EXPECT_EQ(back, data);
    for (int level : {0, 1, 9}) {
      const std::vector<uint8_t> peer = test::zlibCompress(data.data(), n, level);
      std::fill(back.begin(), back.end(), 0xCC);
      ASSERT_TRUE(ZlibInflateBuffer(peer.data(), peer.size(), back.data(), produced, n).isOk());
      EXPECT_EQ(produced, n);
      EXPECT_EQ(back, data);
    }
  }
  // With the default capacity (the source's own length) data that does not shrink fails.
  std::vector<uint8_t> noise(4096), packed(4096);
  std::mt19937 rng(1);
  for (uint8_t& b : noise) b = uint8_t(rng());
  EXPECT_TRUE(ZlibDeflateBuffer(noise.data(), noise.size(), packed.data(), produced).isFailed());
  EXPECT_EQ(produced, 0u);
  EXPECT_TRUE(ZlibDeflateBuffer(noise.data(), noise.size(), packed.data(), produced, 0).isFailed());
}

// Too small a destination, every truncation of the stream and a destination larger than the
// stream fills: the bytes produced are the data's, and the rest of the destination is zeroed.
TEST(ZlibBuffer, ShortDestinationAndShortStreamArePartial) {
  const std::vector<uint8_t> data = pictureLike(10000, 2);
  const std::vector<uint8_t> packed = test::zlibCompress(data.data(), data.size());
  std::vector<uint8_t> out(12000);
  size_t produced = 0;
  for (size_t cut = 0; cut <= packed.size(); ++cut) {
    for (size_t capacity : {size_t(12000), size_t(9999)}) {
      std::fill(out.begin(), out.end(), 0xCC);
      Status s = ZlibInflateBuffer(packed.data(), cut, out.data(), produced, capacity);
      const bool complete = cut == packed.size() && capacity > data.size();
      ASSERT_EQ(s.isOk(), complete) << cut << " " << capacity;
      if (cut > 2) {
        ASSERT_TRUE(complete || s.isPartial()) << cut << " " << s.reason();
      }
      ASSERT_LE(produced, std::min(capacity, data.size()));
      if (complete) {
        ASSERT_EQ(produced, data.size());
      }
      ASSERT_TRUE(std::equal(out.begin(), out.begin() + long(produced), data.begin())) << cut;
      ASSERT_TRUE(zeroFrom(out.data(), produced, capacity)) << cut;
    }
  }
  EXPECT_EQ(produced, 9999u);  // the whole stream into too small a destination fills it
  // No destination: nothing is written, the stream's data counts as more than expected.
  EXPECT_TRUE(ZlibInflateBuffer(packed.data(), packed.size(), nullptr, produced, 5000).isPartial());
  EXPECT_EQ(produced, 0u);
}

TEST(ZlibBuffer, DamagedStreamsAreRejectedAndNeverOverrun) {
  const std::vector<uint8_t> data = pictureLike(5000, 3);
  const std::vector<uint8_t> packed = test::zlibCompress(data.data(), data.size());
  std::vector<uint8_t> badHeader = packed, badSum = packed;
  badHeader[0] = 0x12;
  badSum.back() ^= 1;
  const std::vector<uint8_t> withDictionary = {0x78, 0xbb, 0x06, 0x2c, 0x02, 0x15, 0xcb,
                                               0x00, 0x11, 0x00, 0x06, 0x2c, 0x02, 0x15};
  const std::tuple<std::vector<uint8_t>, Status::Code, std::string> cases[] = {
      {badHeader, Status::kFailed, "the compressed data is damaged: incorrect header check"},
      {badSum, Status::kFailed, "the compressed data is damaged: incorrect data check"},
      {withDictionary, Status::kFailed, ""},
      {{}, Status::kPartial, ""},
  };
  std::vector<uint8_t> out(5000 + 16);
  size_t produced = 0;
  for (const auto& [bytes, outcome, reason] : cases) {
    std::fill(out.begin(), out.end(), 0xCC);
    Status s = ZlibInflateBuffer(bytes.data(), bytes.size(), out.data(), produced, 5000);
    EXPECT_EQ(s.code(), outcome) << s.reason();
    if (!reason.empty()) {
      EXPECT_EQ(s.reason(), reason);
    }
    EXPECT_TRUE(zeroFrom(out.data(), produced, 5000));
  }
  // Random damage: no write past capacity, the tail always zeroed.
  std::mt19937 rng(4);
  for (int round = 0; round < 2000; ++round) {
    std::vector<uint8_t> bad = packed;
    for (int f = 1 + int(rng() % 4); f > 0; --f) bad[rng() % bad.size()] ^= uint8_t(1 + rng() % 255);
    std::fill(out.begin(), out.end(), 0xCC);
    ZlibInflateBuffer(bad.data(), bad.size(), out.data(), produced, 5000);
    ASSERT_LE(produced, 5000u);
    ASSERT_TRUE(zeroFrom(out.data(), produced, 5000));
    ASSERT_TRUE(std::all_of(out.begin() + 5000, out.end(), [](uint8_t b) { return b == 0xCC; }));
  }
}

}  // namespace
}  // namespace kanvo
