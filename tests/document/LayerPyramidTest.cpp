#include "document/LayerPyramid.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>

#include "raster/span/SpanOps.h"
#include "support/RandomImages.h"
#include "support/TiledImages.h"

namespace kanvo {
namespace {

using test::FlatOf;

// A plain image of the level depth, (w >> 1) & ~1 by (h >> 1) & ~1 (at least 1 x 1), made from
// the previous level pixel by pixel: the top-left pixel of each 2 x 2 group, or for bits 64 per
// set pixel of the group, at most 255.
template <int SourceBpp, int LevelBpp, class Src>
std::unique_ptr<typename FlatOf<LevelBpp>::Image> reduce(const Src& source) {
  auto made = std::make_unique<typename FlatOf<LevelBpp>::Image>();
  auto& out = *made;
  const int32_t w = (source.width() >> 1) & ~1, h = (source.height() >> 1) & ~1;
  if constexpr (LevelBpp == 32) {
    out.resizeBuffer(std::max(w, 1), std::max(h, 1));
  } else {
    out.resize(std::max(w, 1), std::max(h, 1));
  }
  out.fill(0);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) {
      auto at = [&](int32_t i, int32_t j) { return uint32_t(source.getPixel(2 * x + i, 2 * y + j)); };
      const uint32_t v = SourceBpp == 1
                             ? std::min<uint32_t>(64 * (at(0, 0) + at(1, 0) + at(0, 1) + at(1, 1)), 255)
                             : at(0, 0);
      out.setPixel(x, y, typename TiledImage<LevelBpp>::Value(v));
    }
  return made;
}

// Random tiles, plus some tiles of one non-zero value.
template <int Bpp>
void fillStore(TiledImage<Bpp>& store, std::mt19937& rng) {
  test::fillRandomTiles(store, rng);
  for (int i = 0; i < 3; ++i) {
    const int32_t tx = test::randomIn(rng, 0, store.tilesX() - 1),
                  ty = test::randomIn(rng, 0, store.tilesY() - 1);
    const auto v = test::randomValue<Bpp>(rng);
    for (int32_t y = ty * 64; y < ty * 64 + 64; ++y)
      for (int32_t x = tx * 64; x < tx * 64 + 64; ++x) store.setPixel(x, y, Bpp == 1 ? 1 : v);
  }
}

// A random store's levels, rebuilt or made a tile row at a time, equal the reference
// reduction; after random changes to rectangles (erased, painted, or filled with one value),
// updating the levels equals rebuilding them.
template <int SourceBpp, int LevelBpp>
void checkPyramid(uint32_t seed) {
  SCOPED_TRACE(::testing::Message() << "seed " << seed);
  std::mt19937 rng(seed);
  TiledImage<SourceBpp> store;
  ASSERT_TRUE(store.resize(uint32_t(test::randomIn(rng, 1, 900)), uint32_t(test::randomIn(rng, 1, 600))));
  fillStore(store, rng);
  LayerPyramid<LevelBpp> updated, rebuilt;
  ASSERT_TRUE(updated.rebuild(store));
  LayerPyramid<LevelBpp> rowByRow;  // the same levels made a tile row at a time
  ASSERT_TRUE(rowByRow.prepare(store.width(), store.height()));
  for (int32_t ty = 0; ty < store.tilesY(); ++ty) ASSERT_TRUE(rowByRow.reduceTileRow(store, ty));
  typename FlatOf<SourceBpp>::Image flat;
  test::copyToFlat(store, flat);
  auto level = reduce<SourceBpp, LevelBpp>(flat);
  for (int32_t k = 1; k <= kPyramidLevels; ++k) {
    ASSERT_EQ(updated.level(k).width(), pyramidLevelSide(store.width(), k)) << "level " << k;
    ASSERT_EQ(updated.level(k).height(), pyramidLevelSide(store.height(), k));
    if (updated.level(k).width() == 0 || updated.level(k).height() == 0) break;
    ASSERT_TRUE(test::samePixels(updated.level(k), *level)) << "level " << k;
    ASSERT_TRUE(test::samePixels(rowByRow.level(k), *level)) << "level " << k;
    level = reduce<LevelBpp, LevelBpp>(*level);
  }
  for (int step = 0; step < 6; ++step) {
    const int32_t x = test::randomIn(rng, -50, int32_t(store.width()) - 1),
                  y = test::randomIn(rng, -50, int32_t(store.height()) - 1);
    const int32_t w = test::randomIn(rng, 1, 300), h = test::randomIn(rng, 1, 300);
    const int mode = int(rng() % 3);
    for (int32_t py = std::max(y, 0); py < std::min<int32_t>(y + h, int32_t(store.height())); ++py)
      for (int32_t px = std::max(x, 0); px < std::min<int32_t>(x + w, int32_t(store.width())); ++px)
        store.setPixel(px, py, mode == 0 ? 0 : (mode == 1 ? test::randomValue<SourceBpp>(rng) : 1));
    ASSERT_TRUE(updated.update(store, Rect(x, y, w, h)));
    ASSERT_TRUE(rebuilt.rebuild(store));
    for (int32_t k = 1; k <= kPyramidLevels; ++k) {
      if (rebuilt.level(k).width() == 0 || rebuilt.level(k).height() == 0) break;
      typename FlatOf<LevelBpp>::Image levelFlat;
      test::copyToFlat(rebuilt.level(k), levelFlat);
      ASSERT_TRUE(test::samePixels(updated.level(k), levelFlat)) << "step " << step << " level " << k;
    }
  }
}

TEST(LayerPyramidTest, LevelsMatchTheReferenceAndUpdatesEqualARebuild) {
  for (uint32_t seed = 1; seed <= 5; ++seed) checkPyramid<32, 32>(seed);
  for (uint32_t seed = 11; seed <= 15; ++seed) checkPyramid<8, 8>(seed);
  for (uint32_t seed = 21; seed <= 25; ++seed) checkPyramid<1, 8>(seed);
}

}  // namespace
}  // namespace kanvo
