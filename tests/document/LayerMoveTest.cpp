#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <random>
#include <type_traits>
#include <utility>

#include "document/Document.h"
#include "support/LayerStores.h"
#include "support/RandomImages.h"

namespace kanvo {
namespace {

using test::randomIn;
using Content = std::map<std::pair<int64_t, int64_t>, uint32_t>;

// Every non-zero pixel of the layer's store, keyed by its canvas position (present tiles only).
Content canvasContent(const Layer& layer) {
  Content out;
  test::withStore(layer, [&](const auto& store) {
    for (int32_t ty = 0; ty < store.tilesY(); ++ty)
      for (int32_t tx = 0; tx < store.tilesX(); ++tx)
        for (int32_t y = ty * 64; y < ty * 64 + 64 && store.tileExists(tx, ty); ++y)
          for (int32_t x = tx * 64; x < tx * 64 + 64; ++x)
            if (uint32_t v = uint32_t(store.getPixel(x, y)); v != 0)
              out[{layer.offsetX + x, layer.offsetY + y}] = v;
  });
  return out;
}

// Random moves, some far and some of nothing, of a few scattered pixels and a block (none of them
// transparent but coloured): the content lands where it was moved to, the offset is a multiple of
// 64 at most 0, the store covers the canvas, no empty tile is kept and the reduced images follow.
TEST(LayerMoveTest, ContentLandsWhereItWasMovedTo) {
  for (int seed : {1, 2, 3, 11, 12, 21, 22}) {
    SCOPED_TRACE(::testing::Message() << "seed " << seed);
    const int32_t kind = seed < 10 ? kLayerKind32 : seed < 20 ? kLayerKind8 : kLayerKind1;
    StringTable strings(kUiLanguageEnglish);
    Document doc(strings);
    std::mt19937 rng{uint32_t(seed)};
    const int32_t cw = randomIn(rng, 1, 200), ch = randomIn(rng, 1, 150);
    Layer* layer = doc.newCanvas(cw, ch, kind);
    ASSERT_NE(layer, nullptr);
    test::withStore(*layer, [&](auto& store) {
      using Store = std::decay_t<decltype(store)>;
      auto value = [&]() -> typename Store::Value {
        if constexpr (Store::kBitsPerPixel == 32) return (1 + rng() % 255) << 24 | (rng() & 0xFFFFFF);
        if constexpr (Store::kBitsPerPixel == 8) return uint8_t(1 + rng() % 255);
        return 1;
      };
      for (int i = 0; i < 12; ++i)
        store.setPixel(randomIn(rng, 0, cw - 1), randomIn(rng, 0, ch - 1), value());
      const int32_t bx = randomIn(rng, 0, cw - 1), by = randomIn(rng, 0, ch - 1);
      for (int32_t y = by; y < std::min(ch, by + 20); ++y)
        for (int32_t x = bx; x < std::min(cw, bx + 30); ++x) store.setPixel(x, y, value());
    });
    for (int step = 0; step < 25; ++step) {
      int32_t dx = randomIn(rng, -260, 260), dy = randomIn(rng, -260, 260);
      if (step % 7 == 3) dx = randomIn(rng, -20000, 20000);
      if (step % 5 == 4) dy = randomIn(rng, -20000, 20000);
      if (step % 9 == 8) dx = dy = 0;
      Content want;
      for (const auto& [p, v] : canvasContent(*layer)) want[{p.first + dx, p.second + dy}] = v;
      ASSERT_TRUE(layer->moveContent(dx, dy)) << "step " << step;
      EXPECT_EQ(canvasContent(*layer), want) << "step " << step;
      EXPECT_TRUE(layer->offsetX % 64 == 0 && layer->offsetY % 64 == 0 && layer->offsetX <= 0 &&
                  layer->offsetY <= 0);
      EXPECT_GE(int64_t(layer->offsetX) + layer->storeWidth(), int64_t(cw));
      EXPECT_GE(int64_t(layer->offsetY) + layer->storeHeight(), int64_t(ch));
      test::withStore(*layer, [&](const auto& store) {
        for (int32_t ty = 0; ty < store.tilesY(); ++ty)
          for (int32_t tx = 0; tx < store.tilesX(); ++tx)
            ASSERT_TRUE(store.tile(tx, ty) == nullptr ||
                        !std::decay_t<decltype(store)>::Traits::isEmpty(*store.tile(tx, ty)));
      });
      if (HasFailure()) return;
    }
    const bool prepared =
        kind == kLayerKind32  ? layer->pyramid32.isPreparedFor(layer->storeWidth(), layer->storeHeight())
        : kind == kLayerKind8 ? layer->pyramid8.isPreparedFor(layer->storeWidth(), layer->storeHeight())
                              : layer->pyramid1.isPreparedFor(layer->storeWidth(), layer->storeHeight());
    EXPECT_TRUE(prepared);
  }
}

// The store's padding rule by example; moves of nothing, of an empty store, too far or of a
// vector layer; a tone layer's halftone image moving with it.
TEST(LayerMoveTest, StoreSizesAndMovesOfNothingOrTooFar) {
  StringTable strings(kUiLanguageEnglish);
  Document doc(strings);
  Layer* layer = doc.newCanvas(100, 80, kLayerKind32);
  ASSERT_NE(layer, nullptr);
  ASSERT_TRUE(layer->moveContent(33, 33));  // empty store
  EXPECT_EQ(std::pair(layer->offsetX, layer->storeWidth()), std::pair(0, 100u));
  layer->pixels32.fillRect(SpanParams{kOpCopy, 255, 0xFF0000FFu}, 10, 20, 30, 5);
  const struct {
    int32_t dx, dy;
    bool moved;
    int32_t offsetX, offsetY;
    uint32_t width, height;
    int32_t x, y;  // where the block's corner now lies in the store
  } moves[] = {
      {-25, 0, true, -64, 0, 100 + 15 + 49, 80, 49, 20},    // the content starts at x -15, padded to -64
      {150, 0, true, 0, 0, 135 + 30, 80, 135, 20},          // beyond the canvas: the store grows to hold it
      {0, -84, true, 0, -64, 165, 80 + 64, 135, 0},         // starts at y -64, a multiple of 64: no padding
      {INT32_MAX, 0, false, 0, -64, 165, 80 + 64, 135, 0},  // too far: nothing changes
      {0, INT32_MIN, false, 0, -64, 165, 80 + 64, 135, 0}, {-200000, 0, false, 0, -64, 165, 80 + 64, 135, 0},
  };
  for (const auto& m : moves) {
    EXPECT_EQ(layer->moveContent(m.dx, m.dy), m.moved) << m.dx << ", " << m.dy;
    EXPECT_EQ(std::tuple(layer->offsetX, layer->offsetY, layer->storeWidth(), layer->storeHeight()),
              std::tuple(m.offsetX, m.offsetY, m.width, m.height));
    EXPECT_EQ(layer->pixels32.getPixel(m.x, m.y), 0xFF0000FFu);
  }
  ASSERT_TRUE(layer->moveContent(-100000, 50000));  // far, but within the limit
  EXPECT_EQ(layer->pixels32.getPixel(int32_t(135 - 100000 - layer->offsetX), 50000 - 64 - layer->offsetY),
            0xFF0000FFu);
  Layer* vector = doc.addLayer(kLayerKindVector);
  ASSERT_TRUE(vector->moveContent(10, 10));
  EXPECT_EQ(vector->offsetX, 0);
  Layer* tone = doc.addLayer8();
  tone->pixels8.fillRect(SpanParams{kOpCopy, 255, 255}, 0, 0, 20, 20);
  ASSERT_TRUE(tone->setTone(1, 60));
  ASSERT_TRUE(tone->moveContent(-30, 0));
  EXPECT_EQ(tone->pixels1.width(), tone->pixels8.width());
  EXPECT_EQ(tone->pixels1.getPixel(-tone->offsetX, 5), 0);
  EXPECT_EQ(tone->pixels1.getPixel(-tone->offsetX - 30, 5), 1);  // solid tone 255
}

}  // namespace
}  // namespace kanvo
