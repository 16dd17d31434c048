// Restoring captured tiles all or nothing, at every depth: a damaged stream never half applies.
// (UndoPropertyTest restores sound captures of every depth, method and rectangle.)
#include "document/undo/UndoRecord.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "support/TiledImages.h"

namespace kanvo {
namespace {

template <class T>
class UndoRecordDepth : public ::testing::Test {};
template <int B>
struct Depth {
  static constexpr int kBpp = B;
};
using Depths = ::testing::Types<Depth<32>, Depth<8>, Depth<1>>;
TYPED_TEST_SUITE(UndoRecordDepth, Depths);

// Which tiles are present, then every pixel.
template <int Bpp>
std::vector<uint32_t> pictureOf(const TiledImage<Bpp>& image) {
  std::vector<uint32_t> p;
  for (bool present : test::presence(image)) p.push_back(present);
  for (int32_t y = 0; y < int32_t(image.height()); ++y)
    for (int32_t x = 0; x < int32_t(image.width()); ++x) p.push_back(uint32_t(image.getPixel(x, y)));
  return p;
}

// Damaged streams (cut anywhere, or with one to three flipped bits aimed at the words as often as
// at payload bytes, read from a buffer of exactly their size) are found before anything is
// written, and a restore that is not committed leaves the image as it was. A corruption that still
// decodes to sound tiles (a byte of a raw payload) may be restored; what is demanded is that
// nothing is ever half applied.
TYPED_TEST(UndoRecordDepth, DamagedStreamsAreNeverHalfApplied) {
  constexpr int B = TypeParam::kBpp;
  std::mt19937 rng(23);
  for (int32_t method : {kTileMethodRaw, kTileMethodZlib, kTileMethodLz4}) {
    TiledImage<B> source, target;
    ASSERT_TRUE(source.resize(200, 140));
    ASSERT_TRUE(target.resize(200, 140));
    test::fillRandomTiles(source, rng);
    test::fillRandomTiles(target, rng);
    source.fillRect(test::fillWith(B == 1 ? 1 : 0x7F), 64, 0, 64, 64);  // a uniform tile
    TileStream stream;
    ASSERT_TRUE(captureTiles(source, Rect(0, 0, 200, 140), method, stream));
    const std::vector<uint8_t> good(stream.data(), stream.data() + stream.byteLength());
    const auto before = pictureOf(target);

    for (int trial = 0; trial < 300; ++trial) {
      std::vector<uint8_t> bytes = good;
      if (trial % 3 == 0) bytes.resize(1 + rng() % (good.size() - 1));
      for (int f = 0, flips = trial % 3 ? 1 + int(rng() % 3) : 0; f < flips; ++f) {
        const size_t at = rng() % bytes.size();
        bytes[rng() % 2 ? at & ~size_t(3) : at] ^= uint8_t(1u << (rng() % 8));
      }
      TiledImage<B> copy;
      ASSERT_TRUE(copy.assign(target));
      TileRestore<B> restore(copy);
      const RestoreStatus status = restore.prepare(bytes.data(), bytes.size());
      ASSERT_TRUE(status != RestoreStatus::kReady || trial % 3 != 0) << trial;  // a cut is always found
      if (status != RestoreStatus::kReady) {
        restore.commit();
        ASSERT_EQ(pictureOf(copy), before) << "trial " << trial;
      }
    }
    {
      TileRestore<B> uncommitted(target);
      ASSERT_EQ(uncommitted.prepare(good.data(), good.size()), RestoreStatus::kReady);
    }
    ASSERT_EQ(pictureOf(target), before);
    TileRestore<B> restore(target);
    ASSERT_EQ(restore.prepare(good.data(), good.size()), RestoreStatus::kReady);
    restore.commit();
    EXPECT_EQ(pictureOf(target), pictureOf(source));
  }
}

// A stream whose tiles lie outside the image, or run backwards, is refused whole; capturing
// refuses an unknown method.
TEST(UndoRecord, TilesOutsideOrOutOfOrderAreRefused) {
  TiledImage8 big, small;
  ASSERT_TRUE(big.resize(512, 512));
  ASSERT_TRUE(small.resize(128, 128));
  big.setPixel(400, 400, 9);
  small.setPixel(5, 5, 3);
  TileStream stream;
  ASSERT_TRUE(captureTiles(big, Rect(0, 0, 512, 512), kTileMethodLz4, stream));
  EXPECT_EQ(TileRestore<8>(small).prepare(stream), RestoreStatus::kOutside);
  TileStream backwards;
  {
    TileStreamWriter w(backwards, 8, kTileMethodRaw);
    std::vector<uint8_t> tile(4096, 5);
    tile[17] = 6;
    ASSERT_TRUE(w.addTile(1, 0, tile.data()));
    ASSERT_TRUE(w.addTile(0, 0, nullptr));
    ASSERT_TRUE(w.finish());
  }
  TileRestore<8> restore(small);
  EXPECT_EQ(restore.prepare(backwards), RestoreStatus::kDamaged);
  EXPECT_STREQ(restore.failure(), "tiles out of order");
  EXPECT_EQ(small.presentTileCount(), 1);
  EXPECT_EQ(small.getPixel(5, 5), 3);
  EXPECT_FALSE(captureTiles(small, Rect(0, 0, 10, 10), 7, stream));
  EXPECT_TRUE(stream.empty());
}

}  // namespace
}  // namespace kanvo
