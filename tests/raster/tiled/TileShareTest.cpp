// Images sharing tiles: after shareFrom, random writes through every writer, to either image,
// leave the other equal to a deep copy taken at the same moment, tile for tile, and the written
// image equal to the same writes on an image that never shared.
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <type_traits>

#include "raster/tiled/TiledBlit.h"
#include "raster/tiled/TiledCopy.h"
#include "raster/tiled/TiledImage.h"
#include "support/TiledImages.h"

namespace kanvo {
namespace {

using test::randomIn;

// Same size, same present tiles, same pixels.
template <int Bpp>
::testing::AssertionResult sameTiles(const TiledImage<Bpp>& a, const TiledImage<Bpp>& b) {
  typename test::FlatOf<Bpp>::Image flat;
  test::copyToFlat(b, flat);
  if (test::presence(a) != test::presence(b)) return ::testing::AssertionFailure() << "tiles differ";
  return test::samePixels(a, flat);
}

// One write drawn from seed through one of the writers (the same on equal images).
template <int Bpp>
void randomWrite(TiledImage<Bpp>& image, uint32_t seed) {
  std::mt19937 rng(seed);
  const int32_t w = int32_t(image.width()), h = int32_t(image.height());
  const int32_t x = randomIn(rng, -20, w), y = randomIn(rng, 0, h - 1), rw = randomIn(rng, 1, w);
  const int32_t tx = randomIn(rng, 0, image.tilesX()), ty = randomIn(rng, 0, image.tilesY());
  const int32_t kind = randomIn(rng, 0, 11);
  TiledImage<Bpp> other;  // the source of the writes that copy from another image
  if (kind == 7 || kind == 8 || kind == 10) {
    ASSERT_TRUE(other.resize(uint32_t(randomIn(rng, 1, 200)), uint32_t(randomIn(rng, 1, 200))));
    test::fillRandomTiles(other, rng);
  }
  std::vector<uint8_t> row(image.rowBufferBytes());
  for (int i = 0; i < 16; ++i) row[rng() % row.size()] = uint8_t(rng());
  SpanParams params = test::fillWith(uint32_t(test::randomValue<Bpp>(rng)));
  params.op = rng() % 2 ? kOpCopy : Bpp == 32 ? kOpBlend : Bpp == 8 ? kOpAdd : kOpOverFill;
  params.opacity = randomIn(rng, 1, 255);
  switch (kind) {
    case 0: image.fillRect(params, x, y - 9, rw, 20); break;
    case 1: image.writeRow(row.data(), x, y, rw); break;
    case 2: writeRowChecked(image, row.data(), x, y, rw); break;
    case 3:
      if (auto* tile = image.writableTile(tx, ty)) tile->bits()[rng() % 512] ^= 0xFF;
      break;
    case 4:
      if (auto* tile = image.getOrCreateTile(tx, ty)) tile->bits()[rng() % 512] = 0xA5;
      break;
    case 5: image.freeTile(tx, ty); break;
    case 6: clearPixels(image, Rect(x, y - 9, rw, 70)); break;
    case 7: copyPixels(other, 0, 0, other.width(), other.height(), image, x, y - 99); break;
    case 8: blit(image, params, x, y - 99, other, 0, 0, int32_t(other.width()), int32_t(other.height())); break;
    case 9: image.dropEmptyTiles(); break;
    case 10: image.pasteTilesAt(other, (x / 64) * 64, (y / 64) * 64); break;
    default:
      for (int i = 0; i < 64; ++i) {
        const int32_t px = randomIn(rng, -5, w), py = randomIn(rng, -5, h);
        const auto value = test::randomValue<Bpp>(rng);
        const int opacity = randomIn(rng, 0, 255);
        image.setPixel(px, py, value);
        if constexpr (Bpp == 32) image.paintPixel(py, px, value, opacity);
        if constexpr (Bpp == 32) image.blendPixelByColourAlpha(px, py, value, opacity);
        if constexpr (Bpp == 8) image.blendPixel(py, px, value, opacity);
        if constexpr (Bpp == 8) image.mixPixel(px, py, value, opacity);
      }
  }
}

template <class Depth>
class TileShareTest : public ::testing::Test {};
using Depths = ::testing::Types<std::integral_constant<int, 32>, std::integral_constant<int, 8>,
                                std::integral_constant<int, 1>>;
TYPED_TEST_SUITE(TileShareTest, Depths);

TYPED_TEST(TileShareTest, WritesToEitherImageLeaveTheOtherAsADeepCopyWouldBe) {
  constexpr int Bpp = TypeParam::value;
  std::mt19937 rng(20 + Bpp);
  for (int round = 0; round < 40; ++round) {
    TiledImage<Bpp> image, shared, imageAlone, sharedAlone;
    ASSERT_TRUE(image.resize(uint32_t(randomIn(rng, 1, 330)), uint32_t(randomIn(rng, 1, 260))));
    test::fillRandomTiles(image, rng);
    ASSERT_TRUE(shared.shareFrom(image));
    ASSERT_TRUE(imageAlone.assign(image));
    ASSERT_TRUE(imageAlone.assign(imageAlone));  // assigning an image to itself changes nothing
    ASSERT_TRUE(sharedAlone.assign(image));
    for (int32_t ty = 0; ty < image.tilesY(); ++ty)
      for (int32_t tx = 0; tx < image.tilesX(); ++tx) {
        ASSERT_EQ(shared.tile(tx, ty), image.tile(tx, ty));  // shared, not copied
        ASSERT_EQ(shared.tileShared(tx, ty), image.tile(tx, ty) != nullptr);
      }
    auto third = std::make_unique<TiledImage<Bpp>>();  // a third holder, dropped part way
    ASSERT_TRUE(third->shareFrom(image));
    for (int step = 0; step < 30; ++step) {
      const uint32_t seed = rng();
      const bool toShared = rng() % 3 == 0;
      ASSERT_NO_FATAL_FAILURE(randomWrite(toShared ? shared : image, seed));
      ASSERT_NO_FATAL_FAILURE(randomWrite(toShared ? sharedAlone : imageAlone, seed));
      if (step == 15) third.reset();
    }
    ASSERT_TRUE(sameTiles(image, imageAlone)) << "round " << round;
    ASSERT_TRUE(sameTiles(shared, sharedAlone)) << "round " << round;
  }
}

}  // namespace
}  // namespace kanvo
