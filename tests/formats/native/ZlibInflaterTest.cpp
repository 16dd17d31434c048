#include <gtest/gtest.h>

#include <random>

#include "formats/native/ZlibInflater.h"
#include "support/NativeFileBuilder.h"

namespace kanvo {
namespace {

std::vector<uint8_t> someBytes(size_t n, uint32_t seed) {
  std::mt19937 rng(seed);
  std::vector<uint8_t> v(n);
  for (size_t i = 0; i < n; ++i) v[i] = uint8_t(i % 97 < 60 ? i / 31 : rng());
  return v;
}

// Feeds the stream in pieces of `inStep` bytes and takes the output in pieces of `outStep`.
std::vector<uint8_t> inflateInPieces(const std::vector<uint8_t>& stream, size_t inStep, size_t outStep,
                                     size_t limit, ZlibInflater& z) {
  std::vector<uint8_t> out(limit + 16, 0xEE);
  size_t at = 0, filled = 0;
  while (filled < limit) {
    if (z.needsInput()) {
      if (at == stream.size()) break;
      size_t n = std::min(inStep, stream.size() - at);
      z.supply(stream.data() + at, n);
      at += n;
    }
    filled += z.produce(out.data() + filled, std::min(outStep, limit - filled));
    if (z.state() != ZlibInflater::kRunning) break;
  }
  out.resize(filled);
  return out;
}

TEST(ZlibInflater, AnyPieceSizesGiveTheOriginalBytes) {
  std::vector<uint8_t> data = someBytes(70000, 1);
  std::vector<uint8_t> stream = test::zlibCompress(data.data(), data.size());
  for (size_t inStep : {size_t(1), size_t(7), size_t(4096), stream.size()}) {
    for (size_t outStep : {size_t(1), size_t(333), size_t(65536), data.size()}) {
      if (inStep == 1 && outStep == 1) continue;  // slow and adds nothing
      ZlibInflater z;
      std::vector<uint8_t> out = inflateInPieces(stream, inStep, outStep, data.size() + 1, z);
      EXPECT_EQ(out, data) << inStep << " " << outStep;
      EXPECT_EQ(z.state(), ZlibInflater::kEnded);
      EXPECT_EQ(z.totalOut(), data.size());
      EXPECT_EQ(z.totalIn(), stream.size());
    }
  }
}

TEST(ZlibInflater, DamageIsReportedAndNothingBeyondTheDecodedBytesIsWritten) {
  std::vector<uint8_t> data = someBytes(5000, 2);
  std::vector<uint8_t> stream = test::zlibCompress(data.data(), data.size());
  stream[0] ^= 0xFF;  // a header that is not zlib's
  ZlibInflater z;
  std::vector<uint8_t> out(100, 0xEE);
  z.supply(stream.data(), stream.size());
  EXPECT_EQ(z.produce(out.data(), out.size()), 0u);
  EXPECT_EQ(z.state(), ZlibInflater::kDamaged);
  EXPECT_FALSE(z.reason().empty());
  for (uint8_t b : out) EXPECT_EQ(b, 0xEE);
  // Once damaged or ended, nothing more is produced.
  EXPECT_EQ(z.produce(out.data(), out.size()), 0u);

  std::vector<uint8_t> badCheck = test::zlibCompress(data.data(), data.size());
  badCheck.back() ^= 1;
  ZlibInflater z2;
  std::vector<uint8_t> got = inflateInPieces(badCheck, 100, 1000, data.size() + 10, z2);
  EXPECT_EQ(z2.state(), ZlibInflater::kDamaged);
  EXPECT_EQ(got, data);  // every byte decoded before the check value failed
}

TEST(ZlibInflater, AStreamCutShortStaysRunningWithoutInput) {
  std::vector<uint8_t> data = someBytes(5000, 3);
  std::vector<uint8_t> stream = test::zlibCompress(data.data(), data.size());
  stream.resize(stream.size() / 2);
  ZlibInflater z;
  std::vector<uint8_t> got = inflateInPieces(stream, 64, 5000, data.size(), z);
  EXPECT_EQ(z.state(), ZlibInflater::kRunning);
  EXPECT_TRUE(z.needsInput());
  ASSERT_LT(got.size(), data.size());
  EXPECT_TRUE(std::equal(got.begin(), got.end(), data.begin()));
}

}  // namespace
}  // namespace kanvo
