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

// A plain image of the level depth, (w >> k) & ~1 by (h >> k) & ~1, made from the previous
// level by the reduction rule written out pixel by pixel: each 64 x 64 block of the source
// (pixels beyond its edge read as 0) that holds one value fills its 32 x 32 block with it;
// other blocks are decimated (or, for bits, counted in 2 x 2 groups), zeros not written.
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
  auto value = [&](int32_t x, int32_t y) -> uint32_t {
    return (x < source.width() && y < source.height()) ? uint32_t(source.getPixel(x, y)) : 0u;
  };
  for (int32_t by = 0; by < source.height(); by += 64) {
    for (int32_t bx = 0; bx < source.width(); bx += 64) {
      const uint32_t first = value(bx, by);
      bool uniform = true;
      for (int32_t y = by; y < by + 64 && uniform; ++y)
        for (int32_t x = bx; x < bx + 64 && uniform; ++x) uniform = value(x, y) == first;
      for (int32_t j = 0; j < 32; ++j) {
        for (int32_t i = 0; i < 32; ++i) {
          const int32_t ox = bx / 2 + i, oy = by / 2 + j;
          if (ox >= w || oy >= h) continue;
          uint32_t v;
          if (uniform) {
            v = SourceBpp == 1 ? (first ? 255 : 0) : first;
          } else if (SourceBpp == 1) {
            const int32_t x = bx + 2 * i, y = by + 2 * j;
            v = std::min<uint32_t>(
                64 * (value(x, y) + value(x + 1, y) + value(x, y + 1) + value(x + 1, y + 1)), 255);
          } else {
            v = value(bx + 2 * i, by + 2 * j);
          }
          if (v != 0) out.setPixel(ox, oy, typename TiledImage<LevelBpp>::Value(v));
        }
      }
    }
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

// A random store's levels equal the reference reduction; after random changes to rectangles
// (erased, painted, or filled with one value), updating the levels equals rebuilding them.
template <int SourceBpp, int LevelBpp>
void checkPyramid(uint32_t seed) {
  SCOPED_TRACE(::testing::Message() << "seed " << seed);
  std::mt19937 rng(seed);
  TiledImage<SourceBpp> store;
  ASSERT_TRUE(store.resize(uint32_t(test::randomIn(rng, 1, 900)), uint32_t(test::randomIn(rng, 1, 600))));
  fillStore(store, rng);
  LayerPyramid<LevelBpp> updated, rebuilt;
  ASSERT_TRUE(updated.rebuild(store));
  typename FlatOf<SourceBpp>::Image flat;
  test::copyToFlat(store, flat);
  auto level = reduce<SourceBpp, LevelBpp>(flat);
  for (int32_t k = 1; k <= kPyramidLevels; ++k) {
    ASSERT_EQ(updated.level(k).width(), pyramidLevelSide(store.width(), k)) << "level " << k;
    ASSERT_EQ(updated.level(k).height(), pyramidLevelSide(store.height(), k));
    if (updated.level(k).width() == 0 || updated.level(k).height() == 0) break;
    ASSERT_TRUE(test::samePixels(updated.level(k), *level)) << "level " << k;
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
