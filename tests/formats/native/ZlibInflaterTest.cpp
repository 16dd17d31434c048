#include "formats/native/ZlibInflater.h"

#include <gtest/gtest.h>

#include <random>

#include "support/NativeFileBuilder.h"

namespace kanvo {
namespace {

// Feeds the stream in pieces of `inStep` bytes and takes the output in pieces of `outStep`;
// the output holds what was produced, and nothing past it was written.
std::vector<uint8_t> inflateInPieces(const std::vector<uint8_t>& stream, size_t inStep, size_t outStep,
                                     size_t limit, ZlibInflater& z) {
  std::vector<uint8_t> out(limit + 16, 0xEE);
  size_t at = 0, filled = 0;
  while (filled < limit) {
    if (z.needsInput()) {
      if (at == stream.size()) break;
      const size_t n = std::min(inStep, stream.size() - at);
      z.supply(stream.data() + at, n);
      at += n;
    }
    filled += z.produce(out.data() + filled, std::min(outStep, limit - filled));
    if (z.state() != ZlibInflater::kRunning) break;
  }
  EXPECT_TRUE(std::all_of(out.begin() + long(filled), out.end(), [](uint8_t b) { return b == 0xEE; }));
  out.resize(filled);
  return out;
}

// The original bytes whatever the sizes of the pieces of input and output, and the same for
// damage: a header that is not zlib's produces nothing, a bad check value shows after every byte
// was decoded, and a stream cut short keeps running, waiting for input.
TEST(ZlibInflater, AnyPieceSizesGiveTheOriginalBytesOrTheDamage) {
  std::mt19937 rng(1);
  std::vector<uint8_t> data(70000);
  for (size_t i = 0; i < data.size(); ++i) data[i] = uint8_t(i % 97 < 60 ? i / 31 : rng());
  const std::vector<uint8_t> stream = test::zlibCompress(data.data(), data.size());
  std::vector<uint8_t> badHeader = stream, badCheck = stream;
  badHeader[0] ^= 0xFF;
  badCheck.back() ^= 1;
  const std::tuple<std::vector<uint8_t>, ZlibInflater::State, size_t> cases[] = {
      {stream, ZlibInflater::kEnded, data.size()},
      {badHeader, ZlibInflater::kDamaged, 0},
      {badCheck, ZlibInflater::kDamaged, data.size()},
      {std::vector<uint8_t>(stream.begin(), stream.begin() + long(stream.size() / 2)), ZlibInflater::kRunning,
       0}};
  for (const auto& [bytes, state, produced] : cases)
    for (size_t inStep : {size_t(1), size_t(7), size_t(4096), bytes.size()})
      for (size_t outStep : {size_t(1), size_t(333), size_t(65536), data.size()}) {
        if (inStep == 1 && outStep == 1) continue;  // slow and adds nothing
        SCOPED_TRACE(std::to_string(state) + ": " + std::to_string(inStep) + " " + std::to_string(outStep));
        ZlibInflater z;
        const std::vector<uint8_t> got = inflateInPieces(bytes, inStep, outStep, data.size() + 1, z);
        EXPECT_EQ(z.state(), state);
        EXPECT_TRUE(std::equal(got.begin(), got.end(), data.begin()));
        EXPECT_EQ(got.size(), state == ZlibInflater::kRunning ? got.size() : produced);
        EXPECT_EQ(z.reason().empty(), state != ZlibInflater::kDamaged);
        EXPECT_EQ(z.totalOut(), got.size());
        if (state == ZlibInflater::kEnded) {
          EXPECT_EQ(z.totalIn(), stream.size());
        }
        if (state == ZlibInflater::kRunning) {
          EXPECT_TRUE(z.needsInput() && got.size() < data.size());
        }
        uint8_t more[8];
        if (state == ZlibInflater::kDamaged) {
          EXPECT_EQ(z.produce(more, 8), 0u);  // no more after damage
        }
      }
}

}  // namespace
}  // namespace kanvo
