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

// Which tiles are present and what every pixel holds.
struct Picture {
  std::vector<bool> present;
  int32_t width = 0;
  std::vector<uint32_t> pixels;
  uint32_t at(int32_t x, int32_t y) const { return pixels[size_t(x) + size_t(width) * size_t(y)]; }
};
template <int Bpp>
Picture pictureOf(const TiledImage<Bpp>& image) {
  Picture p;
  p.present = test::presence(image);
  p.width = int32_t(image.width());
  for (int32_t y = 0; y < int32_t(image.height()); ++y)
    for (int32_t x = 0; x < int32_t(image.width()); ++x) p.pixels.push_back(uint32_t(image.getPixel(x, y)));
  return p;
}
template <int Bpp>
::testing::AssertionResult same(const TiledImage<Bpp>& image, const Picture& p) {
  if (test::presence(image) != p.present) return ::testing::AssertionFailure() << "tile presence differs";
  const Picture now = pictureOf(image);
  if (now.pixels != p.pixels) return ::testing::AssertionFailure() << "pixels differ";
  return ::testing::AssertionSuccess();
}

// Capturing a rectangle, scrambling the image, and restoring brings back exactly the tiles of
// the rectangle (widened to tiles), absent, zero and one-valued tiles included, with every
// method; tiles outside stay as scrambled.
TYPED_TEST(UndoRecordDepth, RestoreBringsBackTheCapturedTilesExactly) {
  constexpr int B = TypeParam::kBpp;
  std::mt19937 rng(7 + B);
  for (int32_t method : {kTileMethodRaw, kTileMethodZlib, kTileMethodLz4}) {
    for (int round = 0; round < 6; ++round) {
      TiledImage<B> image;
      ASSERT_TRUE(image.resize(300 + rng() % 100, 200 + rng() % 100));
      test::fillRandomTiles(image, rng);
      // Some one-valued tiles.
      SpanParams fill;
      fill.key = B == 32 ? 0x80402010u : B == 8 ? 77 : 1;
      image.fillRect(fill, 64, 64, 64, 64);
      const Rect rect(int32_t(rng() % 300) - 40, int32_t(rng() % 200) - 40, 1 + int32_t(rng() % 250),
                      1 + int32_t(rng() % 200));
      const Picture before = pictureOf(image);
      TileStream stream;
      ASSERT_TRUE(captureTiles(image, rect, method, stream));
      const TileRange range = tileRangeIn(image, rect);
      EXPECT_EQ(stream.tileCount(), uint32_t(range.count()));

      TiledImage<B> scrambled;
      ASSERT_TRUE(scrambled.resize(image.width(), image.height()));
      test::fillRandomTiles(scrambled, rng);
      const Picture other = pictureOf(scrambled);
      {
        TileRestore<B> restore(scrambled);
        ASSERT_EQ(restore.prepare(stream), RestoreStatus::kReady) << restore.failure();
        restore.commit();
      }
      for (int32_t ty = 0; ty < image.tilesY(); ++ty) {
        for (int32_t tx = 0; tx < image.tilesX(); ++tx) {
          const bool inside = tx >= range.x0 && tx < range.x1 && ty >= range.y0 && ty < range.y1;
          const auto& want = inside ? before : other;
          const size_t i = size_t(tx) + size_t(image.tilesX()) * size_t(ty);
          ASSERT_EQ(scrambled.tileExists(tx, ty), bool(want.present[i])) << tx << "," << ty;
          for (int32_t y = ty * 64; y < std::min<int32_t>(ty * 64 + 64, int32_t(image.height())); y += 7)
            for (int32_t x = tx * 64; x < std::min<int32_t>(tx * 64 + 64, int32_t(image.width())); x += 5)
              ASSERT_EQ(uint32_t(scrambled.getPixel(x, y)), want.at(x, y));
        }
      }
    }
  }
}

// A restore that is not committed leaves the image as it was, new tiles freed again.
TYPED_TEST(UndoRecordDepth, UncommittedRestoreChangesNothing) {
  constexpr int B = TypeParam::kBpp;
  std::mt19937 rng(11);
  TiledImage<B> image;
  ASSERT_TRUE(image.resize(256, 256));
  test::fillRandomTiles(image, rng);
  TileStream stream;
  ASSERT_TRUE(captureTiles(image, Rect(0, 0, 256, 256), kTileMethodLz4, stream));
  image.clear();
  const Picture before = pictureOf(image);
  {
    TileRestore<B> restore(image);
    ASSERT_EQ(restore.prepare(stream), RestoreStatus::kReady);
  }
  EXPECT_TRUE(same(image, before));
}

// Truncated and corrupted streams are found before anything is written: the image keeps its
// tiles and pixels. A corruption that still decodes to sound tiles (a byte of a raw payload)
// may be restored; what is demanded is that nothing is ever half applied.
TYPED_TEST(UndoRecordDepth, DamagedStreamsAreNeverHalfApplied) {
  constexpr int B = TypeParam::kBpp;
  std::mt19937 rng(23);
  for (int32_t method : {kTileMethodRaw, kTileMethodZlib, kTileMethodLz4}) {
    TiledImage<B> source;
    ASSERT_TRUE(source.resize(200, 140));
    test::fillRandomTiles(source, rng);
    TileStream stream;
    ASSERT_TRUE(captureTiles(source, Rect(0, 0, 200, 140), method, stream));
    const std::vector<uint8_t> good(stream.data(), stream.data() + stream.byteLength());
    const Picture wanted = pictureOf(source);

    TiledImage<B> target;
    ASSERT_TRUE(target.resize(200, 140));
    test::fillRandomTiles(target, rng);
    const Picture before = pictureOf(target);

    // Truncations (every length through the first tiles' headers, then lengths at random):
    // damaged, nothing written (the empty stream lists no tile).
    std::vector<size_t> cuts;
    for (size_t n = 1; n < std::min<size_t>(good.size(), 96); ++n) cuts.push_back(n);
    for (int i = 0; i < 150; ++i) cuts.push_back(1 + rng() % (good.size() - 1));
    for (size_t n : cuts) {
      TileRestore<B> restore(target);
      ASSERT_EQ(restore.prepare(good.data(), n), RestoreStatus::kDamaged) << n;
      restore.commit();  // refused: nothing prepared
    }
    ASSERT_TRUE(same(target, before));

    // Single flipped bytes: either found, leaving the image untouched, or restored completely to
    // a picture that differs from the captured one at most inside the damaged tile.
    for (int trial = 0; trial < 100; ++trial) {
      std::vector<uint8_t> bytes = good;
      const size_t at = rng() % bytes.size();
      bytes[at] ^= uint8_t(1u << (rng() % 8));
      TiledImage<B> copy;
      ASSERT_TRUE(copy.assign(target));
      TileRestore<B> restore(copy);
      const RestoreStatus status = restore.prepare(bytes.data(), bytes.size());
      if (status != RestoreStatus::kReady) {
        restore.commit();
        ASSERT_TRUE(same(copy, before)) << "byte " << at;
      }
    }

    // The sound stream still restores everything.
    TileRestore<B> restore(target);
    ASSERT_EQ(restore.prepare(good.data(), good.size()), RestoreStatus::kReady);
    restore.commit();
    EXPECT_TRUE(same(target, wanted));
  }
}

// A stream whose tiles lie outside the image, or repeat or run backwards, is refused whole.
TEST(UndoRecord, TilesOutsideOrOutOfOrderAreRefused) {
  TiledImage8 big, small;
  ASSERT_TRUE(big.resize(512, 512));
  ASSERT_TRUE(small.resize(128, 128));
  big.setPixel(400, 400, 9);
  small.setPixel(5, 5, 3);
  TileStream stream;
  ASSERT_TRUE(captureTiles(big, Rect(0, 0, 512, 512), kTileMethodLz4, stream));
  {
    TileRestore<8> restore(small);
    EXPECT_EQ(restore.prepare(stream), RestoreStatus::kOutside);
  }
  EXPECT_EQ(small.presentTileCount(), 1);
  EXPECT_EQ(small.getPixel(5, 5), 3);

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
}

// Capturing widens to whole tiles and cuts to the grid; a rectangle wholly outside captures no
// tile, and a depth's capture refuses an unknown method.
TEST(UndoRecord, CaptureRangeAndMethod) {
  TiledImage32 image;
  ASSERT_TRUE(image.resize(200, 100));  // 4 x 2 tiles
  TileStream s;
  ASSERT_TRUE(captureTiles(image, Rect(63, 10, 2, 2), kTileMethodLz4, s));
  EXPECT_EQ(s.tileCount(), 2u);
  ASSERT_TRUE(captureTiles(image, Rect(-500, -500, 10000, 10000), kTileMethodLz4, s));
  EXPECT_EQ(s.tileCount(), 8u);
  ASSERT_TRUE(captureTiles(image, Rect(300, 0, 10, 10), kTileMethodZlib, s));
  EXPECT_EQ(s.tileCount(), 0u);
  EXPECT_FALSE(captureTiles(image, Rect(0, 0, 10, 10), 7, s));
  EXPECT_TRUE(s.empty());
}

}  // namespace
}  // namespace kanvo
