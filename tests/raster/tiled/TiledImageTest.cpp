// The tiled image at each depth: random writes through each writer against a plain buffer
// holding the same pixels (tiles created only for non-zero data, rows read and written through
// the row protocol, bounds), the lifecycle and absurd sizes, tile access and paste.
#include "raster/tiled/TiledImage.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "support/TiledImages.h"

namespace kanvo {
namespace {

using test::FlatOf;
using test::randomIn;

template <class T>
class TiledImageDepth : public ::testing::Test {};
using Depths = ::testing::Types<TiledImage32, TiledImage8, TiledImage1>;
TYPED_TEST_SUITE(TiledImageDepth, Depths);

constexpr uint8_t kNonZero = 1;  // a pixel value of every depth

// The tile columns the row protocol covers for x and length, or false for none.
bool columns(int32_t tilesX, int32_t x, int32_t length, int32_t& first, int32_t& last) {
  first = int32_t(std::min<int64_t>(std::max<int64_t>(x / 64, 0), tilesX - 1));
  last = int32_t(std::min<int64_t>(std::max<int64_t>((int64_t(x) + length) / 64, 0), tilesX - 1));
  return first <= last;
}

TYPED_TEST(TiledImageDepth, RandomWritesMatchAPlainBuffer) {
  constexpr int Bpp = TypeParam::kBitsPerPixel;
  using Traits = TileTraits<Bpp>;
  std::mt19937 rng(Bpp);
  for (int round = 0; round < 12; ++round) {
    TypeParam image;
    ASSERT_TRUE(image.resize(uint32_t(randomIn(rng, 1, 300)), uint32_t(randomIn(rng, 1, 200))));
    const int32_t w = int32_t(image.width()), h = int32_t(image.height());
    typename FlatOf<Bpp>::Image flat;
    test::copyToFlat(image, flat);
    std::vector<uint8_t> row(image.rowBufferBytes());
    for (int step = 0; step < 50; ++step) {
      const auto before = test::presence(image);
      const int32_t x = randomIn(rng, -70, w + 70), y = randomIn(rng, -3, h + 2);
      // Often a range ending within a pixel of a tile border: for the row protocol the column
      // after the border counts too; a fill ending one pixel past it reaches that column.
      const int32_t length = rng() % 3 ? randomIn(rng, -5, w + 80)
                                       : 64 * randomIn(rng, 0, image.tilesX()) - x + randomIn(rng, -1, 1);
      const auto v = rng() % 3 ? test::randomValue<Bpp>(rng) : 0;
      int32_t first, last;
      const bool anyColumns = columns(image.tilesX(), x, length, first, last);
      bool anyTile = false;
      for (int32_t t = first; anyColumns && y >= 0 && y < h && t <= last; ++t)
        anyTile |= image.tileExists(t, y / 64);
      const uint32_t kind = rng() % 6;
      auto both = [&](auto write) {
        write(image);
        write(flat);
      };
      switch (kind) {
        case 0:
          both([&](auto& i) { i.setPixel(x, y, v); });
          break;
        case 1: {  // the painting forms forward to the tile's own
          const int k = randomIn(rng, 0, 255);
          const bool pick = rng() % 2;
          if constexpr (Bpp == 32) {
            if (pick)
              both([&](auto& i) { i.paintPixel(x, y, v, k); });
            else if (image.tileExists(x / 64, y / 64) && x >= 0 && y >= 0)  // never creates a tile
              both([&](auto& i) { i.blendPixelByColourAlpha(x, y, v, k); });
          } else if constexpr (Bpp == 8) {
            if (pick)
              both([&](auto& i) { i.blendPixel(x, y, v, k); });
            else
              both([&](auto& i) { i.mixPixel(x, y, v, k); });
          }
          break;
        }
        case 2: {  // read a row, change some pixels, write it back
          std::fill(row.begin(), row.end(), uint8_t(0xEE));
          EXPECT_EQ(image.readRow(row.data(), x, y, length), anyTile);
          EXPECT_EQ(image.rowHasTiles(x, y, length), anyTile);
          for (int32_t t = first; anyColumns && t <= last; ++t)
            for (int32_t px = t * 64; px < t * 64 + 64; ++px)
              ASSERT_EQ(uint32_t(Traits::get(row.data(), px)), uint32_t(flat.getPixel(px, y)))
                  << px << "," << y;
          bool nonZero = false;
          for (int32_t px = std::max(x, 0); px < std::min(x + std::max(length, 0), w); ++px) {
            const auto value = rng() % 2 ? v : test::randomValue<Bpp>(rng);
            Traits::set(row.data(), px, value);
            flat.setPixel(px, y, value);
          }
          for (int32_t t = first; anyColumns && t <= last; ++t)
            for (int32_t px = t * 64; px < std::min(t * 64 + 64, w); ++px)
              nonZero |= flat.getPixel(px, y) != 0;
          EXPECT_EQ(image.writeRow(row.data(), x, y, length),
                    y >= 0 && y < h && anyColumns && (anyTile || nonZero));
          break;
        }
        case 3: {
          SpanParams p = test::fillWith(v);
          p.op = int32_t(rng() % 8);
          p.opacity = uint8_t(rng());
          const int32_t height = randomIn(rng, -3, h);
          Rect r(x, y, length, height);
          const bool clipped = clipToSize(r, w, h);
          for (int32_t i = 0; clipped && i < r.height; ++i)
            Traits::fillSpan(p, flat.rowAddress(r.y + i), r.x, r.width);
          EXPECT_EQ(image.fillRect(p, x, y, length, height), clipped);
          break;
        }
        case 4: {  // the tiles from the rectangle's first through the one past its far corner
                   // that hold nothing (at 32 bpp no alpha) are freed, losing colour under alpha 0
          const Rect r(x, y, length, randomIn(rng, -5, 100));
          const bool whole = rng() % 5 == 0;
          std::vector<bool> holds(before.size()), kept = before;
          for (int32_t py = 0; py < h; ++py)
            for (int32_t px = 0; px < w; ++px)
              if (Bpp == 32 ? alphaOf(uint32_t(flat.getPixel(px, py))) : flat.getPixel(px, py))
                holds[size_t(py / 64 * image.tilesX() + px / 64)] = true;
          for (int32_t t = 0; t < image.tileCount(); ++t) {
            const int64_t tx = t % image.tilesX() * 64, ty = t / image.tilesX() * 64;
            const bool reached = r.x < tx + 64 && r.x + int64_t(r.width) > tx - 64 && r.y < ty + 64 &&
                                 r.y + int64_t(r.height) > ty - 64;
            kept[size_t(t)] = before[size_t(t)] && (holds[size_t(t)] || !(whole || reached));
          }
          EXPECT_EQ(whole ? image.dropEmptyTiles() : image.dropEmptyTiles(r), kept != before);
          EXPECT_EQ(test::presence(image), kept);
          for (int32_t py = 0; py < h; ++py)
            for (int32_t px = 0; px < w; ++px)
              if (!image.tileExists(px / 64, py / 64)) flat.setPixel(px, py, 0);
          break;
        }
        default:
          if (rng() % 8 == 0) {
            image.clear();
            test::copyToFlat(image, flat);
          }
      }
      ASSERT_TRUE(test::samePixels(image, flat)) << "round " << round << " step " << step;
      // A painting form may create a tile for a non-zero value that leaves the pixel at 0.
      ASSERT_TRUE(kind == 1 || test::noZeroTilesCreated(image, before));
      // Bounds: the squares of the present tiles, and the non-zero pixels.
      Rect tiles, used;
      int present = 0;
      for (int32_t ty = 0; ty < image.tilesY(); ++ty)
        for (int32_t tx = 0; tx < image.tilesX(); ++tx)
          if (image.tileExists(tx, ty)) tiles.unite(Rect(tx * 64, ty * 64, 64, 64)), ++present;
      for (int32_t py = 0; py < h; ++py)
        for (int32_t px = 0; px < w; ++px)
          if (flat.getPixel(px, py) != 0) used.includePoint(px, py);
      ASSERT_EQ(image.presentTileCount(), present);
      ASSERT_EQ(image.tileBounds(), tiles);
      ASSERT_EQ(image.usedBounds(), used.isEmpty() && present ? Rect(0, 0, 1, 1) : used);
    }
  }
}

TYPED_TEST(TiledImageDepth, LifecycleAndTileAccess) {
  TypeParam image;
  ASSERT_TRUE(image.resize(130, 70));  // 3 x 2 tiles
  EXPECT_TRUE(image.tilesX() == 3 && image.tilesY() == 2 && image.tileCount() == 6);
  for (auto [tx, ty] : {std::pair{3, 0}, {-1, 0}, {0, 2}}) {
    EXPECT_EQ(image.getOrCreateTile(tx, ty), nullptr);
    EXPECT_FALSE(image.freeTile(tx, ty));
  }
  // resize always empties the image, also at the same size.
  image.setPixel(129, 69, kNonZero);
  ASSERT_TRUE(image.resize(130, 70));
  EXPECT_TRUE(image.presentTileCount() == 0 && image.getPixel(129, 69) == 0);
  image.setPixel(99, 9, kNonZero);
  TypeParam moved(std::move(image));
  EXPECT_TRUE(moved.getPixel(99, 9) == kNonZero && image.width() == 0u);
  image = std::move(moved);
  EXPECT_TRUE(image.getPixel(99, 9) == kNonZero && image.presentTileCount() == 1);
}

TYPED_TEST(TiledImageDepth, AbsurdSizesFailCleanly) {
  TypeParam image;
  ASSERT_TRUE(image.resize(10, 10));
  image.setPixel(1, 1, kNonZero);
  for (auto [w, h] : {std::pair<uint32_t, uint32_t>{0xFFFFFFFFu, 0xFFFFFFFFu},
                      {0x80000000u, 1u},
                      {1u, 0xFFFFFFC1u},
                      {TypeParam::kMaxSide, TypeParam::kMaxSide},
                      {1u << 20, 1u << 20}}) {
    EXPECT_FALSE(image.resize(w, h)) << w << " x " << h;
    EXPECT_TRUE(image.width() == 0 && image.height() == 0 && image.tileCount() == 0 &&
                image.rowBuffer() == nullptr);
    // Every operation on the empty image is harmless.
    image.setPixel(0, 0, kNonZero);
    EXPECT_EQ(image.getPixel(0, 0), 0);
    EXPECT_EQ(image.getOrCreateTile(0, 0), nullptr);
    EXPECT_FALSE(image.rowHasTiles(0, 0, 10));
    EXPECT_FALSE(image.fillRect(SpanParams(), 0, 0, 10, 10));
    EXPECT_EQ(image.usedBounds(), Rect());
    EXPECT_FALSE(image.dropEmptyTiles(Rect(0, 0, 64, 64)));
  }
  EXPECT_TRUE(image.resize(0, 100));  // no tiles
  EXPECT_EQ(image.tileCount(), 0);
  if constexpr (TypeParam::kBitsPerPixel == 1) {  // the largest side, when the table stays small
    const int32_t side = int32_t(TypeParam::kMaxSide);
    ASSERT_TRUE(image.resize(TypeParam::kMaxSide, 1));
    EXPECT_EQ(image.tilesX(), side / 64);
    image.setPixel(side - 1, 0, 1);
    EXPECT_EQ(image.getPixel(side - 1, 0), 1);
    EXPECT_EQ(image.tileBounds(), Rect(side - 64, 0, 64, 64));
    EXPECT_FALSE(image.fillRect(test::fillWith(1), INT32_MAX - 10, 0, 100, 1));
    EXPECT_TRUE(image.fillRect(test::fillWith(1), side - 3, -5, INT32_MAX, INT32_MAX));
    EXPECT_EQ(image.usedBounds(), Rect(side - 3, 0, 3, 1));
  }
}

TYPED_TEST(TiledImageDepth, PasteTilesAt) {
  std::mt19937 rng(11);
  TypeParam a, c;
  ASSERT_TRUE(a.resize(150, 140));
  test::fillRandomTiles(a, rng);
  ASSERT_TRUE(c.resize(200, 200));
  for (auto [ox, oy] : {std::pair{64, 0}, {-64, -64}, {128, 64}}) {  // tiles past the grid are skipped
    c.setPixel(199, 199, kNonZero);                                  // cleared first
    ASSERT_TRUE(c.pasteTilesAt(a, ox, oy));
    for (int32_t ty = 0; ty < c.tilesY(); ++ty)
      for (int32_t tx = 0; tx < c.tilesX(); ++tx)
        EXPECT_EQ(c.tileExists(tx, ty), a.tileExists(tx - ox / 64, ty - oy / 64));
    for (int32_t y = 0; y < 200; ++y)
      for (int32_t x = 0; x < 200; ++x)
        ASSERT_EQ(c.getPixel(x, y), a.getPixel(x - ox, y - oy)) << ox << "," << oy;
  }
  EXPECT_FALSE(c.pasteTilesAt(c, 0, 0));
}

}  // namespace
}  // namespace kanvo
