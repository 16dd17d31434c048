#include "raster/tiled/TiledImage.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "support/TiledImages.h"

namespace kanvo {
namespace {

template <class T>
class TiledImageDepth : public ::testing::Test {};
using Depths = ::testing::Types<TiledImage32, TiledImage8, TiledImage1>;
TYPED_TEST_SUITE(TiledImageDepth, Depths);

// A non-zero value of each depth.
template <class Image>
typename Image::Value someValue() {
  if constexpr (Image::kBitsPerPixel == 32) return 0x80102030u;
  else if constexpr (Image::kBitsPerPixel == 8) return 77;
  else return 1;
}

TEST(TiledImage, ResizeGivesGridAndRowBuffers) {
  TiledImage32 a;
  TiledImage8 b;
  TiledImage1 c;
  EXPECT_EQ(a.width(), 0u);
  EXPECT_EQ(a.rowBuffer(), nullptr);
  ASSERT_TRUE(a.resize(100, 70));
  ASSERT_TRUE(b.resize(100, 70));
  ASSERT_TRUE(c.resize(100, 70));
  EXPECT_EQ(a.tilesX(), 2);
  EXPECT_EQ(a.tilesY(), 2);
  EXPECT_EQ(a.tileCount(), 4);
  EXPECT_EQ(a.rowBufferBytes(), 512u);
  EXPECT_EQ(b.rowBufferBytes(), 128u);
  EXPECT_EQ(c.rowBufferBytes(), 16u);
  for (size_t i = 0; i < a.rowBufferBytes(); ++i) ASSERT_EQ(a.rowBuffer()[i], 0);
  ASSERT_TRUE(a.resize(64, 65));
  EXPECT_EQ(a.tilesX(), 1);
  EXPECT_EQ(a.tilesY(), 2);
}

TYPED_TEST(TiledImageDepth, ResizeAlwaysEmpties) {
  TypeParam image;
  ASSERT_TRUE(image.resize(130, 70));
  image.setPixel(129, 69, someValue<TypeParam>());
  EXPECT_EQ(image.presentTileCount(), 1);
  ASSERT_TRUE(image.resize(130, 70));  // same size
  EXPECT_EQ(image.presentTileCount(), 0);
  EXPECT_EQ(image.getPixel(129, 69), 0);
  image.setPixel(5, 5, someValue<TypeParam>());
  image.clear();
  EXPECT_EQ(image.presentTileCount(), 0);
  EXPECT_EQ(image.width(), 130u);
  EXPECT_EQ(image.tileCount(), 6);
}

TYPED_TEST(TiledImageDepth, AbsurdSizesFailCleanly) {
  TypeParam image;
  ASSERT_TRUE(image.resize(10, 10));
  image.setPixel(1, 1, someValue<TypeParam>());
  for (auto [w, h] : {std::pair<uint32_t, uint32_t>{0xFFFFFFFFu, 0xFFFFFFFFu}, {0x80000000u, 1u}, {1u, 0xFFFFFFC1u},
                      {TypeParam::kMaxSide, TypeParam::kMaxSide}, {1u << 20, 1u << 20}}) {
    EXPECT_FALSE(image.resize(w, h)) << w << " x " << h;
    EXPECT_EQ(image.width(), 0u);
    EXPECT_EQ(image.height(), 0u);
    EXPECT_EQ(image.tileCount(), 0);
    EXPECT_EQ(image.rowBuffer(), nullptr);
    // Every operation on the empty image is harmless.
    image.setPixel(0, 0, someValue<TypeParam>());
    EXPECT_EQ(image.getPixel(0, 0), 0);
    EXPECT_FALSE(image.tileExists(0, 0));
    EXPECT_EQ(image.getOrCreateTile(0, 0), nullptr);
    EXPECT_FALSE(image.rowHasTiles(0, 0, 10));
    SpanParams p;
    EXPECT_FALSE(image.fillRect(p, 0, 0, 10, 10));
    EXPECT_EQ(image.usedBounds(), Rect());
    EXPECT_FALSE(image.dropEmptyTiles(Rect(0, 0, 64, 64)));
  }
  // A width of zero gives an image without tiles.
  EXPECT_TRUE(image.resize(0, 100));
  EXPECT_EQ(image.tileCount(), 0);
  // The largest side is accepted when the table stays small.
  if constexpr (TypeParam::kBitsPerPixel == 1) {
    ASSERT_TRUE(image.resize(TypeParam::kMaxSide, 1));
    EXPECT_EQ(image.tilesX(), int32_t(TypeParam::kMaxSide / 64));
    image.setPixel(int32_t(TypeParam::kMaxSide - 1), 0, 1);
    EXPECT_EQ(image.getPixel(int32_t(TypeParam::kMaxSide - 1), 0), 1);
    EXPECT_EQ(image.usedBounds(), Rect(int32_t(TypeParam::kMaxSide - 1), 0, 1, 1));
    EXPECT_EQ(image.tileBounds(), Rect(int32_t(TypeParam::kMaxSide - 64), 0, 64, 64));
    SpanParams p;
    p.key = 1;
    EXPECT_TRUE(image.fillRect(p, INT32_MAX - 10, 0, 100, 1) == false);
    EXPECT_TRUE(image.fillRect(p, int32_t(TypeParam::kMaxSide) - 3, -5, INT32_MAX, INT32_MAX));
    EXPECT_EQ(image.usedBounds(), Rect(int32_t(TypeParam::kMaxSide - 3), 0, 3, 1));
  }
}

TYPED_TEST(TiledImageDepth, ZeroWritesNeverAllocate) {
  TypeParam image;
  ASSERT_TRUE(image.resize(200, 130));
  image.setPixel(10, 10, 0);
  image.setPixel(199, 129, 0);
  EXPECT_EQ(image.presentTileCount(), 0);
  // Row slices of zeros over absent tiles allocate nothing.
  std::vector<uint8_t> zeros(image.rowBufferBytes(), 0);
  EXPECT_FALSE(image.writeRow(zeros.data(), 0, 5, 200));
  EXPECT_EQ(image.presentTileCount(), 0);
  // Outside pixels change nothing.
  image.setPixel(-1, 0, someValue<TypeParam>());
  image.setPixel(200, 0, someValue<TypeParam>());
  image.setPixel(0, 130, someValue<TypeParam>());
  EXPECT_EQ(image.presentTileCount(), 0);
  EXPECT_EQ(image.getPixel(-1, 0), 0);
  EXPECT_EQ(image.getPixel(200, 0), 0);
  // A non-zero value creates exactly one tile whose other pixels are 0.
  image.setPixel(70, 65, someValue<TypeParam>());
  EXPECT_EQ(image.presentTileCount(), 1);
  ASSERT_TRUE(image.tileExists(1, 1));
  int nonZero = 0;
  for (int32_t y = 64; y < 128; ++y)
    for (int32_t x = 64; x < 128; ++x) nonZero += image.getPixel(x, y) != 0;
  EXPECT_EQ(nonZero, 1);
  EXPECT_EQ(image.getPixel(70, 65), someValue<TypeParam>());
  // Zero into a present tile is stored; the tile stays.
  image.setPixel(70, 65, 0);
  EXPECT_EQ(image.getPixel(70, 65), 0);
  EXPECT_EQ(image.presentTileCount(), 1);
  // A zero slice over a present tile overwrites that row.
  image.setPixel(100, 66, someValue<TypeParam>());
  EXPECT_FALSE(image.writeRow(zeros.data(), 0, 66, 10));  // column 0 only: absent, skipped
  EXPECT_EQ(image.getPixel(100, 66), someValue<TypeParam>());
  EXPECT_TRUE(image.writeRow(zeros.data(), 0, 66, 200));
  EXPECT_EQ(image.getPixel(100, 66), 0);
  EXPECT_EQ(image.presentTileCount(), 1);
}

TYPED_TEST(TiledImageDepth, RowProtocol) {
  TypeParam image;
  ASSERT_TRUE(image.resize(300, 100));  // 5 x 2 tiles
  const int32_t bytes = TypeParam::kTileRowBytes;
  std::vector<uint8_t> row(image.rowBufferBytes(), 0xCD);
  // No tiles: zeros, false.
  EXPECT_FALSE(image.readRow(row.data(), 0, 3, 300));
  for (uint8_t b : row) ASSERT_EQ(b, 0);
  image.setPixel(130, 3, someValue<TypeParam>());  // tile column 2
  std::fill(row.begin(), row.end(), 0xCD);
  // Columns 0..1 (x 10, length 80 reaches column 90 / 64 = 1): tile 2 is not read.
  EXPECT_FALSE(image.readRow(row.data(), 10, 3, 80));
  for (int32_t i = 0; i < 2 * bytes; ++i) ASSERT_EQ(row[i], 0);
  for (size_t i = 2 * bytes; i < row.size(); ++i) ASSERT_EQ(row[i], 0xCD);
  // Columns 1..2 cross the present tile: true, absent column 1 zero-filled.
  EXPECT_TRUE(image.readRow(row.data(), 100, 3, 28));
  EXPECT_EQ(image.rowHasTiles(100, 3, 28), true);
  EXPECT_EQ(image.rowHasTiles(10, 3, 80), false);
  // (x + length) / 64 is the last column: x 0, length 128 reaches column 2.
  EXPECT_TRUE(image.rowHasTiles(0, 3, 128));
  EXPECT_FALSE(image.rowHasTiles(0, 3, 127));
  // Negative x starts at column 0; x beyond the grid clamps to the last column.
  EXPECT_FALSE(image.rowHasTiles(-500, 3, 520));
  EXPECT_TRUE(image.rowHasTiles(-500, 3, 630));
  EXPECT_FALSE(image.rowHasTiles(5000, 3, 10));
  // Another row of the same tile row sees the tile; the next tile row does not.
  EXPECT_TRUE(image.rowHasTiles(128, 63, 1));
  EXPECT_FALSE(image.rowHasTiles(128, 64, 1));
  // Rows outside the image: nothing, readers give zeros.
  EXPECT_FALSE(image.rowHasTiles(128, -1, 10));
  EXPECT_FALSE(image.rowHasTiles(128, 100, 10));
  std::fill(row.begin(), row.end(), 0xCD);
  EXPECT_FALSE(image.readRow(row.data(), 0, 100, 300));
  for (uint8_t b : row) ASSERT_EQ(b, 0);
  EXPECT_FALSE(image.writeRow(row.data(), 0, -1, 300));
  // Round trip of a row of random bytes through three tile columns.
  std::mt19937 rng(5);
  std::vector<uint8_t> in(image.rowBufferBytes());
  for (auto& b : in) b = uint8_t(rng());
  EXPECT_TRUE(image.writeRow(in.data(), 64, 70, 150));  // columns 1..3
  std::vector<uint8_t> out(image.rowBufferBytes(), 0);
  EXPECT_TRUE(image.readRow(out.data(), 0, 70, 300));
  EXPECT_EQ(std::memcmp(out.data() + bytes, in.data() + bytes, 3 * size_t(bytes)), 0);
  for (int32_t i = 0; i < bytes; ++i) ASSERT_EQ(out[i], 0);
  EXPECT_EQ(image.presentTileCount(), 4);
  EXPECT_TRUE(image.tileExists(1, 1) && image.tileExists(2, 1) && image.tileExists(3, 1));
}

TEST(TiledImage, OneBitOrder) {
  TiledImage1 image;
  ASSERT_TRUE(image.resize(80, 8));
  image.setPixel(0, 0, 1);
  image.setPixel(7, 1, 1);
  image.setPixel(72, 2, 5);  // any non-zero value sets the bit
  std::vector<uint8_t> row(image.rowBufferBytes());
  image.readRow(row.data(), 0, 0, 80);
  EXPECT_EQ(row[0], 0x01);
  image.readRow(row.data(), 0, 1, 80);
  EXPECT_EQ(row[0], 0x80);
  image.readRow(row.data(), 0, 2, 80);
  EXPECT_EQ(row[9], 0x01);
  EXPECT_EQ(image.getPixel(72, 2), 1);
}

TEST(TiledImage, PaintingForms) {
  TiledImage32 image;
  ASSERT_TRUE(image.resize(100, 100));
  Image32 tile(64, 64);
  tile.fill(0);
  // Zero colour never creates a tile; blendPixelByColourAlpha never creates one.
  image.paintPixel(70, 70, 0, 255);
  image.blendPixelByColourAlpha(70, 70, 0xFF112233u, 255);
  EXPECT_EQ(image.presentTileCount(), 0);
  image.paintPixel(70, 70, 0x80102030u, 128);
  tile.paintPixel(6, 6, 0x80102030u, 128);
  EXPECT_EQ(image.getPixel(70, 70), tile.getPixel(6, 6));
  EXPECT_EQ(image.getPixel(70, 70), 0x40102030u);  // alpha (128 x 129) >> 8
  image.paintPixel(70, 70, 0x80405060u, 200);
  tile.paintPixel(6, 6, 0x80405060u, 200);
  EXPECT_EQ(image.getPixel(70, 70), tile.getPixel(6, 6));
  image.blendPixelByColourAlpha(70, 70, 0xC0FF0000u, 77);
  tile.blendPixelByColourAlpha(6, 6, 0xC0FF0000u, 77);
  EXPECT_EQ(image.getPixel(70, 70), tile.getPixel(6, 6));
  image.paintPixel(-1, 5, 0xFFFFFFFFu, 255);
  image.paintPixel(5, 100, 0xFFFFFFFFu, 255);
  EXPECT_EQ(image.presentTileCount(), 1);

  TiledImage8 grey;
  ASSERT_TRUE(grey.resize(100, 100));
  grey.blendPixel(3, 3, 0, 128);
  grey.mixPixel(3, 3, 0, 128);
  EXPECT_EQ(grey.presentTileCount(), 0);
  grey.blendPixel(3, 3, 200, 100);
  EXPECT_EQ(grey.getPixel(3, 3), 200 * 100 / 255);
  grey.blendPixel(3, 3, 10, 255);
  EXPECT_EQ(grey.getPixel(3, 3), 10);
  grey.mixPixel(3, 3, 250, 128);
  EXPECT_EQ(grey.getPixel(3, 3), (127 * 10 + 250 * 128) / 255);
  grey.mixPixel(3, 3, 0, 255);
  EXPECT_EQ(grey.getPixel(3, 3), 0);
  EXPECT_EQ(grey.presentTileCount(), 1);
}

TYPED_TEST(TiledImageDepth, TileAccess) {
  TypeParam image;
  ASSERT_TRUE(image.resize(130, 64));  // 3 x 1 tiles
  EXPECT_EQ(image.getOrCreateTile(3, 0), nullptr);
  EXPECT_EQ(image.getOrCreateTile(-1, 0), nullptr);
  EXPECT_EQ(image.getOrCreateTile(0, 1), nullptr);
  auto* t = image.getOrCreateTile(2, 0);
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(t->width(), 64);
  EXPECT_EQ(t->height(), 64);
  EXPECT_TRUE(t->isFullyTransparent());
  EXPECT_EQ(image.getOrCreateTile(2, 0), t);
  EXPECT_EQ(image.getOrCreateTileUnchecked(2, 0), t);
  EXPECT_TRUE(image.tileExists(2, 0));
  EXPECT_FALSE(image.tileExists(3, 0));
  EXPECT_FALSE(image.freeTile(3, 0));
  EXPECT_TRUE(image.freeTile(1, 0));  // inside, absent
  EXPECT_TRUE(image.freeTile(2, 0));
  EXPECT_FALSE(image.tileExists(2, 0));
  EXPECT_EQ(image.presentTileCount(), 0);
}

TYPED_TEST(TiledImageDepth, AssignAndPaste) {
  std::mt19937 rng(11);
  TypeParam a;
  ASSERT_TRUE(a.resize(150, 140));
  test::fillRandomTiles(a, rng);
  TypeParam b;
  ASSERT_TRUE(b.resize(10, 10));
  b.setPixel(1, 1, someValue<TypeParam>());
  ASSERT_TRUE(b.assign(a));
  EXPECT_EQ(b.width(), 150u);
  EXPECT_EQ(test::presence(b), test::presence(a));
  typename test::FlatOf<TypeParam::kBitsPerPixel>::Image flat;
  test::copyToFlat(a, flat);
  EXPECT_TRUE(test::samePixels(b, flat));
  EXPECT_TRUE(b.assign(b));
  EXPECT_EQ(test::presence(b), test::presence(a));

  TypeParam c;
  ASSERT_TRUE(c.resize(200, 200));
  c.setPixel(199, 199, someValue<TypeParam>());
  ASSERT_TRUE(c.pasteTilesAt(a, 64, 0));
  EXPECT_EQ(c.getPixel(199, 199), 0);  // cleared first
  for (int32_t ty = 0; ty < c.tilesY(); ++ty)
    for (int32_t tx = 0; tx < c.tilesX(); ++tx)
      EXPECT_EQ(c.tileExists(tx, ty), tx >= 1 && a.tileExists(tx - 1, ty)) << tx << "," << ty;
  for (int32_t y = 0; y < 140; ++y)
    for (int32_t x = 64; x < 200; ++x) ASSERT_EQ(c.getPixel(x, y), a.getPixel(x - 64, y));
  EXPECT_FALSE(c.pasteTilesAt(c, 0, 0));
  ASSERT_TRUE(c.pasteTilesAt(a, -64, -64));
  for (int32_t y = 0; y < 76; ++y)
    for (int32_t x = 0; x < 86; ++x) ASSERT_EQ(c.getPixel(x, y), a.getPixel(x + 64, y + 64));
}

TYPED_TEST(TiledImageDepth, Bounds) {
  TypeParam image;
  ASSERT_TRUE(image.resize(300, 200));
  EXPECT_EQ(image.tileBounds(), Rect());
  EXPECT_EQ(image.usedBounds(), Rect());
  image.setPixel(130, 5, someValue<TypeParam>());
  EXPECT_EQ(image.usedBounds(), Rect(130, 5, 1, 1));
  EXPECT_EQ(image.tileBounds(), Rect(128, 0, 64, 64));
  image.setPixel(20, 150, someValue<TypeParam>());
  image.setPixel(299, 199, someValue<TypeParam>());
  EXPECT_EQ(image.usedBounds(), Rect(20, 5, 280, 195));
  EXPECT_EQ(image.tileBounds(), Rect(0, 0, 320, 256));
  image.clear();
  ASSERT_NE(image.getOrCreateTile(2, 1), nullptr);  // present, all zero
  EXPECT_EQ(image.usedBounds(), Rect(0, 0, 1, 1));
  EXPECT_EQ(image.tileBounds(), Rect(128, 64, 64, 64));

  // Against a plain scan on random contents.
  std::mt19937 rng(3);
  for (int round = 0; round < 20; ++round) {
    image.clear();
    const int n = int(rng() % 5);
    for (int i = 0; i < n; ++i)
      image.setPixel(int32_t(rng() % 300), int32_t(rng() % 200), someValue<TypeParam>());
    Rect expect;
    for (int32_t y = 0; y < 200; ++y)
      for (int32_t x = 0; x < 300; ++x)
        if (image.getPixel(x, y) != 0) expect.includePoint(x, y);
    if (expect.isEmpty() && image.presentTileCount() > 0) expect = Rect(0, 0, 1, 1);
    EXPECT_EQ(image.usedBounds(), expect);
  }
}

TEST(TiledImage, UsedBoundsOf32BitCountsWholeValue) {
  TiledImage32 image;
  ASSERT_TRUE(image.resize(100, 100));
  image.setPixel(40, 50, 0x00000001u);  // alpha 0, still used
  EXPECT_EQ(image.usedBounds(), Rect(40, 50, 1, 1));
}

TEST(TiledImage, DropEmptyTiles) {
  TiledImage32 image;
  ASSERT_TRUE(image.resize(300, 300));
  // Alpha 0 with non-zero colour counts as empty.
  image.setPixel(10, 10, 0x00FFFFFFu);
  image.setPixel(100, 10, 0x01000000u);
  image.setPixel(200, 200, 0x00123456u);
  ASSERT_EQ(image.presentTileCount(), 3);
  // The rectangle form widens to tiles and includes the tile at the far corner.
  EXPECT_FALSE(image.dropEmptyTiles(Rect(70, 0, 50, 50)));  // tiles 1..2 x 0..1: tile (1,0) used
  EXPECT_TRUE(image.dropEmptyTiles(Rect(-100, -100, 40, 40)));  // through tile (0, 0)
  EXPECT_FALSE(image.tileExists(0, 0));
  EXPECT_TRUE(image.tileExists(3, 3));
  EXPECT_TRUE(image.dropEmptyTiles());
  EXPECT_EQ(image.presentTileCount(), 1);
  EXPECT_TRUE(image.tileExists(1, 0));
  EXPECT_FALSE(image.dropEmptyTiles());

  TiledImage1 bits;
  ASSERT_TRUE(bits.resize(64, 64));
  bits.setPixel(63, 63, 1);
  bits.setPixel(63, 63, 0);
  EXPECT_FALSE(bits.dropEmptyTiles(Rect(200, 200, 1, 1)));
  EXPECT_TRUE(bits.dropEmptyTiles(Rect(0, 0, 1, 1)));
  EXPECT_EQ(bits.presentTileCount(), 0);

  TiledImage8 grey;
  ASSERT_TRUE(grey.resize(64, 64));
  grey.setPixel(0, 0, 1);
  EXPECT_FALSE(grey.dropEmptyTiles());
}

TEST(TiledImage, HasTransparency) {
  TiledImage32 image;
  EXPECT_FALSE(image.hasTransparency());  // no pixels
  ASSERT_TRUE(image.resize(70, 65));
  EXPECT_TRUE(image.hasTransparency());  // absent tiles
  SpanParams p;
  p.key = 0xFF808080u;
  ASSERT_TRUE(image.fillRect(p, 0, 0, 70, 65));
  // Only pixels of the image count, not the padding of the last tiles.
  EXPECT_FALSE(image.hasTransparency());
  image.setPixel(69, 64, 0xFE808080u);
  EXPECT_TRUE(image.hasTransparency());
  image.setPixel(69, 64, 0xFF000000u);
  EXPECT_FALSE(image.hasTransparency());
  image.freeTile(1, 1);
  EXPECT_TRUE(image.hasTransparency());
}

TEST(TiledImage, MoveKeepsTiles) {
  TiledImage8 a;
  ASSERT_TRUE(a.resize(100, 100));
  a.setPixel(99, 99, 9);
  TiledImage8 b(std::move(a));
  EXPECT_EQ(b.getPixel(99, 99), 9);
  EXPECT_EQ(a.width(), 0u);
  a = std::move(b);
  EXPECT_EQ(a.getPixel(99, 99), 9);
  EXPECT_EQ(a.presentTileCount(), 1);
}

}  // namespace
}  // namespace kanvo
