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

// zlib itself (the peer) reads what we write, and we read what it writes at every level, into
// a destination larger or smaller than the data; data that does not shrink does not fit the
// default capacity (its own length).
TEST(ZlibBuffer, RoundTripsWithZlib) {
  size_t produced = 0;
  for (size_t n : {size_t(1), size_t(100), size_t(16384), size_t(1) << 20}) {
    const std::vector<uint8_t> data = pictureLike(n, uint32_t(n));
    std::vector<uint8_t> packed(n + 64), back(n + 1);
    ASSERT_TRUE(ZlibDeflateBuffer(data.data(), n, packed.data(), produced, packed.size()).isOk());
    uLongf backLen = uLongf(n);
    ASSERT_EQ(uncompress(back.data(), &backLen, packed.data(), uLong(produced)), Z_OK);
    EXPECT_TRUE(std::equal(data.begin(), data.end(), back.begin())) << n;
    for (int level : {0, 1, 9})
      for (size_t capacity : {n + 1, n - 1}) {
        const std::vector<uint8_t> peer = test::zlibCompress(data.data(), n, level);
        std::fill(back.begin(), back.end(), 0xCC);
        Status s = ZlibInflateBuffer(peer.data(), peer.size(), back.data(), produced, capacity);
        EXPECT_EQ(s.code(), capacity > n ? Status::kOk : Status::kPartial) << n << " level " << level;
        EXPECT_EQ(produced, std::min(n, capacity));
        EXPECT_TRUE(std::equal(back.begin(), back.begin() + long(produced), data.begin()));
        EXPECT_TRUE(capacity == n - 1 || back[n] == 0);  // the rest of the destination is zeroed
      }
  }
  std::vector<uint8_t> noise(4096), packed(4096);
  std::mt19937 rng(1);
  for (uint8_t& b : noise) b = uint8_t(rng());
  EXPECT_TRUE(ZlibDeflateBuffer(noise.data(), noise.size(), packed.data(), produced).isFailed());
  EXPECT_EQ(produced, 0u);
}

// Every truncation, damaged headers and check values, a preset dictionary and random damage:
// never ok, the bytes produced are the data's up to where the damage shows, the rest of the
// destination is zeroed and nothing past it is written.
TEST(ZlibBuffer, CutAndDamagedStreamsNeverOverrun) {
  const std::vector<uint8_t> data = pictureLike(5000, 2),
                             packed = test::zlibCompress(data.data(), data.size());
  std::vector<uint8_t> badHeader = packed, badSum = packed, out(5016);
  badHeader[0] = 0x12;
  badSum.back() ^= 1;
  std::vector<std::pair<std::vector<uint8_t>, std::string>> cases = {
      {badHeader, "the compressed data is damaged: incorrect header check"},
      {badSum, "the compressed data is damaged: incorrect data check"},
      {{0x78, 0xbb, 0x06, 0x2c, 0x02, 0x15, 0xcb, 0x00, 0x11, 0x00, 0x06, 0x2c, 0x02, 0x15}, "dictionary"}};
  for (size_t cut = 0; cut < packed.size(); ++cut)
    cases.push_back({{packed.begin(), packed.begin() + long(cut)}, "cut"});
  std::mt19937 rng(4);
  for (int round = 0; round < 2000; ++round) {
    cases.push_back({packed, "random"});
    for (int f = 1 + int(rng() % 4); f > 0; --f)
      cases.back().first[rng() % packed.size()] ^= uint8_t(1 + rng() % 255);
  }
  for (const auto& [bytes, what] : cases) {
    std::fill(out.begin(), out.end(), 0xCC);
    size_t produced = 0;
    Status s = ZlibInflateBuffer(bytes.data(), bytes.size(), out.data(), produced, 5000);
    ASSERT_LE(produced, 5000u) << what;
    ASSERT_TRUE(
        std::all_of(out.begin() + long(produced), out.begin() + 5000, [](uint8_t b) { return b == 0; }));
    ASSERT_TRUE(std::all_of(out.begin() + 5000, out.end(), [](uint8_t b) { return b == 0xCC; }));
    if (what == "random") continue;
    EXPECT_EQ(s.code(), what == "cut" ? Status::kPartial : Status::kFailed) << what << " " << bytes.size();
    EXPECT_TRUE(std::equal(out.begin(), out.begin() + long(produced), data.begin())) << what;
    if (what.find("damaged") != std::string::npos) {
      EXPECT_EQ(s.reason(), what);
    }
  }
  // No destination: nothing is written, the stream's data counts as more than expected.
  size_t produced = 1;
  EXPECT_TRUE(ZlibInflateBuffer(packed.data(), packed.size(), nullptr, produced, 5000).isPartial());
  EXPECT_EQ(produced, 0u);
}

}  // namespace
}  // namespace kanvo
