// The two inflaters, piece by piece (ZlibInflater) and into one buffer (ZlibInflateBuffer),
// against zlib itself and each other, on sound, cut and damaged streams.
#include <gtest/gtest.h>
#include <zlib.h>

#include <unistd.h>

#include <random>

#include "formats/native/ZlibBuffer.h"
#include "formats/native/ZlibInflater.h"
#include "support/NativeFileBuilder.h"

namespace kanvo {
namespace {

// Feeds the stream in pieces of `inStep` bytes and takes the output in pieces of `outStep`;
// nothing past what was produced is written.
std::vector<uint8_t> inflateInPieces(const std::vector<uint8_t>& stream, size_t inStep, size_t outStep,
                                     size_t limit, ZlibInflater& z) {
  std::vector<uint8_t> out(limit + 16, 0xEE);
  size_t at = 0, filled = 0;
  while (filled < limit && z.state() == ZlibInflater::kRunning) {
    if (z.needsInput()) {
      if (at == stream.size()) break;
      const size_t n = std::min(inStep, stream.size() - at);
      z.supply(stream.data() + at, n);
      at += n;
    }
    filled += z.produce(out.data() + filled, std::min(outStep, limit - filled));
  }
  EXPECT_TRUE(std::all_of(out.begin() + long(filled), out.end(), [](uint8_t b) { return b == 0xEE; }));
  out.resize(filled);
  return out;
}

// Streams zlib wrote (ours read back by zlib), cut anywhere, or damaged: whatever the sizes of
// the pieces, the inflater gives the data up to where damage shows, then stops (a bad header at
// once, a bad check value after every byte, a cut stream waiting for input). Given room for all
// of it, the one-buffer inflater gives the same bytes into a destination larger or smaller than
// the data, zeroes the rest and writes nothing past it.
TEST(Zlib, InflatersGiveTheDataUpToTheDamageAndNeverOverrun) {
  std::mt19937 rng(1);
  std::vector<uint8_t> data(20000);
  for (size_t i = 0; i < data.size(); ++i) data[i] = uint8_t(i % 97 < 60 ? i / 31 : rng());
  const std::vector<uint8_t> stream = test::zlibCompress(data.data(), data.size());
  std::vector<uint8_t> ours(data.size()), back(data.size());
  size_t produced = 0;
  uLongf backLen = uLongf(data.size());
  ASSERT_TRUE(ZlibDeflateBuffer(data.data(), data.size(), ours.data(), produced).isOk());
  ASSERT_EQ(uncompress(back.data(), &backLen, ours.data(), uLong(produced)), Z_OK);
  EXPECT_EQ(back, data);
  std::vector<uint8_t> noise(4096);  // does not shrink: fails
  for (uint8_t& b : noise) b = uint8_t(rng());
  EXPECT_TRUE(ZlibDeflateBuffer(noise.data(), noise.size(), ours.data(), produced).isFailed());
  EXPECT_EQ(produced, 0u);

  std::vector<uint8_t> badHeader = stream, badCheck = stream;
  badHeader[0] ^= 0xFF;
  badCheck.back() ^= 1;
  std::vector<std::tuple<std::vector<uint8_t>, ZlibInflater::State, size_t>> cases = {
      {stream, ZlibInflater::kEnded, data.size()},
      {test::zlibCompress(data.data(), data.size(), 0), ZlibInflater::kEnded, data.size()},
      {test::zlibCompress(data.data(), data.size(), 9), ZlibInflater::kEnded, data.size()},
      {badHeader, ZlibInflater::kDamaged, 0},
      {badCheck, ZlibInflater::kDamaged, data.size()},
      {{0x78, 0xbb, 0x06, 0x2c, 0x02, 0x15, 0xcb, 0x00, 0x11, 0x00, 0x06, 0x2c, 0x02, 0x15},
       ZlibInflater::kDamaged,
       0}};
  for (size_t cut = 0; cut < stream.size(); cut += 1 + cut / 16)
    cases.push_back({{stream.begin(), stream.begin() + long(cut)}, ZlibInflater::kRunning, 0});
  for (int round = 0; round < 300; ++round) {
    std::vector<uint8_t> bad = stream;
    for (int f = 1 + int(rng() % 4); f > 0; --f) bad[rng() % bad.size()] ^= uint8_t(1 + rng() % 255);
    cases.push_back({bad, ZlibInflater::kNoMemory, 0});  // state not known beforehand
  }
  std::vector<uint8_t> out(data.size() + 16), whole;
  for (const auto& [bytes, state, size] : cases) {
    const bool known = state != ZlibInflater::kNoMemory;
    for (auto [inStep, outStep] : {std::pair<size_t, size_t>{bytes.size(), data.size()},
                                   {7, 65536},
                                   {4096, 333},
                                   {1, 65536},
                                   {4096, 1}}) {
      if (!known && inStep != bytes.size()) continue;
      SCOPED_TRACE(std::to_string(bytes.size()) + ": " + std::to_string(inStep) + " " +
                   std::to_string(outStep));
      ZlibInflater z;
      const std::vector<uint8_t> got = inflateInPieces(bytes, inStep, outStep, data.size() + 1, z);
      if (outStep == data.size()) whole = got;
      EXPECT_TRUE(got.size() <= whole.size() && std::equal(got.begin(), got.end(), whole.begin()));
      EXPECT_EQ(std::make_tuple(z.totalOut(), z.state() != ZlibInflater::kRunning || z.needsInput() ||
                                                  got.size() > data.size()),
                std::make_tuple(uint64_t(got.size()), true));
      uint8_t more[8];
      EXPECT_TRUE(z.state() != ZlibInflater::kDamaged || z.produce(more, 8) == 0);  // none after damage
      if (known) {
        EXPECT_EQ(z.state(), state);
        EXPECT_TRUE(std::equal(got.begin(), got.end(), data.begin()));
        EXPECT_EQ(got.size(), state == ZlibInflater::kRunning ? got.size() : size);
        EXPECT_EQ(z.reason().empty(), state != ZlibInflater::kDamaged);
      }
      for (size_t capacity : {data.size(), data.size() - 1}) {
        if (outStep != data.size()) break;
        std::fill(out.begin(), out.end(), 0xCC);
        Status s = ZlibInflateBuffer(bytes.data(), bytes.size(), out.data(), produced, capacity);
        ASSERT_EQ(produced, std::min(got.size(), capacity));
        ASSERT_TRUE(std::equal(out.begin(), out.begin() + long(produced), got.begin()));
        ASSERT_TRUE(std::all_of(out.begin() + long(produced), out.begin() + long(capacity),
                                [](uint8_t b) { return b == 0; }));
        ASSERT_TRUE(
            std::all_of(out.begin() + long(capacity), out.end(), [](uint8_t b) { return b == 0xCC; }));
        // Data beyond the capacity is found before anything after it.
        const Status::Code want = got.size() > capacity                 ? Status::kPartial
                                  : z.state() == ZlibInflater::kDamaged ? Status::kFailed
                                  : z.state() == ZlibInflater::kEnded   ? Status::kOk
                                                                        : Status::kPartial;
        ASSERT_EQ(s.code(), want) << s.reason();
        ASSERT_TRUE(want != Status::kFailed || s.reason().find(z.reason()) != std::string::npos)
            << s.reason();
      }
    }
  }
  // No destination: nothing is written, the stream's data counts as more than expected.
  EXPECT_TRUE(ZlibInflateBuffer(stream.data(), stream.size(), nullptr, produced, 5000).isPartial());
  EXPECT_EQ(produced, 0u);
}

// A stream that goes on long after the destination is full ends the inflation there; a child
// process stands in so that an inflater that never stops is killed by its alarm.
TEST(ZlibDeathTest, DataBeyondTheCapacityEndsTheInflation) {
  const std::vector<uint8_t> data(1 << 16, 7);
  const std::vector<uint8_t> stream = test::zlibCompress(data.data(), data.size(), 0);
  std::vector<uint8_t> out(100);
  size_t produced = 0;
  EXPECT_EXIT(
      {
        alarm(20);
        std::exit(ZlibInflateBuffer(stream.data(), stream.size(), out.data(), produced, out.size()).code());
      },
      ::testing::ExitedWithCode(Status::kPartial), "");
}

}  // namespace
}  // namespace kanvo
