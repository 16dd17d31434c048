#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <random>
#include <utility>

#include "document/Document.h"
#include "support/RandomImages.h"

namespace kanvo {
namespace {

using Point = std::pair<int64_t, int64_t>;

// Every non-zero pixel of the layer's store, keyed by its canvas position (present tiles only).
template <int Bpp>
std::map<Point, uint32_t> canvasContent(const Layer& layer, const TiledImage<Bpp>& store) {
  std::map<Point, uint32_t> out;
  for (int32_t ty = 0; ty < store.tilesY(); ++ty) {
    for (int32_t tx = 0; tx < store.tilesX(); ++tx) {
      if (!store.tileExists(tx, ty)) continue;
      for (int32_t y = ty * 64; y < ty * 64 + 64; ++y)
        for (int32_t x = tx * 64; x < tx * 64 + 64; ++x)
          if (uint32_t v = uint32_t(store.getPixel(x, y)); v != 0)
            out[{int64_t(layer.offsetX) + x, int64_t(layer.offsetY) + y}] = v;
    }
  }
  return out;
}

std::map<Point, uint32_t> shifted(const std::map<Point, uint32_t>& content, int64_t dx, int64_t dy) {
  std::map<Point, uint32_t> out;
  for (const auto& [p, v] : content) out[{p.first + dx, p.second + dy}] = v;
  return out;
}

template <int Bpp>
TiledImage<Bpp>& storeOf(Layer& layer) {
  if constexpr (Bpp == 32) return layer.pixels32;
  else if constexpr (Bpp == 8) return layer.pixels8;
  else return layer.pixels1;
}

// A few scattered pixels and a block, none of them transparent-but-coloured.
template <int Bpp>
void paintContent(TiledImage<Bpp>& store, std::mt19937& rng) {
  auto value = [&]() -> typename TiledImage<Bpp>::Value {
    if constexpr (Bpp == 32) return 0x01000000u | rng();
    else if constexpr (Bpp == 8) return uint8_t(1 + rng() % 255);
    else return 1;
  };
  const int32_t w = int32_t(store.width()), h = int32_t(store.height());
  for (int i = 0; i < 12; ++i) store.setPixel(test::randomIn(rng, 0, w - 1), test::randomIn(rng, 0, h - 1), value());
  const int32_t bx = test::randomIn(rng, 0, w - 1), by = test::randomIn(rng, 0, h - 1);
  for (int32_t y = by; y < std::min(h, by + 20); ++y)
    for (int32_t x = bx; x < std::min(w, bx + 30); ++x) store.setPixel(x, y, value());
}

template <int Bpp>
void randomMoves(int32_t kind, uint32_t seed) {
  StringTable strings(kUiLanguageEnglish);
  Document doc(strings);
  std::mt19937 rng(seed);
  const int32_t cw = test::randomIn(rng, 1, 200), ch = test::randomIn(rng, 1, 150);
  Layer* layer = doc.newCanvas(cw, ch, kind);
  ASSERT_NE(layer, nullptr);
  TiledImage<Bpp>& store = storeOf<Bpp>(*layer);
  paintContent(store, rng);
  for (int step = 0; step < 25; ++step) {
    int32_t dx = test::randomIn(rng, -260, 260), dy = test::randomIn(rng, -260, 260);
    if (step % 7 == 3) dx = test::randomIn(rng, -20000, 20000);
    if (step % 5 == 4) dy = test::randomIn(rng, -20000, 20000);
    if (step % 9 == 8) dx = dy = 0;
    const auto before = canvasContent(*layer, store);
    ASSERT_TRUE(layer->moveContent(dx, dy)) << "step " << step;
    SCOPED_TRACE(::testing::Message() << "seed " << seed << " step " << step << " move " << dx << ", " << dy);
    EXPECT_EQ(canvasContent(*layer, store), shifted(before, dx, dy));
    // The offset is a multiple of 64 at most 0, and the store covers the canvas.
    EXPECT_EQ(layer->offsetX % 64, 0);
    EXPECT_EQ(layer->offsetY % 64, 0);
    EXPECT_LE(layer->offsetX, 0);
    EXPECT_LE(layer->offsetY, 0);
    EXPECT_GE(int64_t(layer->offsetX) + store.width(), int64_t(cw));
    EXPECT_GE(int64_t(layer->offsetY) + store.height(), int64_t(ch));
    // No empty tile is kept.
    for (int32_t ty = 0; ty < store.tilesY(); ++ty)
      for (int32_t tx = 0; tx < store.tilesX(); ++tx)
        if (const auto* t = store.tile(tx, ty)) {
          ASSERT_FALSE(TileTraits<Bpp>::isEmpty(*t));
        }
    if (::testing::Test::HasFailure()) return;
  }
  // The reduced images follow the store.
  if constexpr (Bpp == 32) {
    EXPECT_TRUE(layer->pyramid32.isPreparedFor(store.width(), store.height()));
  } else if constexpr (Bpp == 8) {
    EXPECT_TRUE(layer->pyramid8.isPreparedFor(store.width(), store.height()));
  } else {
    EXPECT_TRUE(layer->pyramid1.isPreparedFor(store.width(), store.height()));
  }
}

TEST(LayerMoveTest, ContentLandsWhereItWasMovedTo32) {
  for (uint32_t seed = 1; seed <= 6; ++seed) randomMoves<32>(kLayerKind32, seed);
}
TEST(LayerMoveTest, ContentLandsWhereItWasMovedTo8) {
  for (uint32_t seed = 11; seed <= 14; ++seed) randomMoves<8>(kLayerKind8, seed);
}
TEST(LayerMoveTest, ContentLandsWhereItWasMovedTo1) {
  for (uint32_t seed = 21; seed <= 24; ++seed) randomMoves<1>(kLayerKind1, seed);
}

TEST(LayerMoveTest, StoreSizesFollowTheOffsetAndPaddingRule) {
  StringTable strings(kUiLanguageEnglish);
  Document doc(strings);
  Layer* layer = doc.newCanvas(100, 80, kLayerKind32);
  ASSERT_NE(layer, nullptr);
  layer->pixels32.fillRect(SpanParams{kOpCopy, 255, 0xFF0000FFu}, 10, 20, 30, 5);
  // Left by 25: the content starts at x -15, padded to -64.
  ASSERT_TRUE(layer->moveContent(-25, 0));
  EXPECT_EQ(layer->offsetX, -64);
  EXPECT_EQ(layer->offsetY, 0);
  EXPECT_EQ(layer->pixels32.width(), 100u + 15u + 49u);
  EXPECT_EQ(layer->pixels32.height(), 80u);
  EXPECT_EQ(layer->pixels32.getPixel(49, 20), 0xFF0000FFu);
  // Right beyond the canvas: the store grows to hold the content.
  ASSERT_TRUE(layer->moveContent(150, 0));
  EXPECT_EQ(layer->offsetX, 0);
  EXPECT_EQ(layer->pixels32.width(), 135u + 30u);
  EXPECT_EQ(layer->pixels32.getPixel(135, 24), 0xFF0000FFu);
  // Up by exactly 84: the content starts at y -64, a multiple of 64, so no padding.
  ASSERT_TRUE(layer->moveContent(0, -84));
  EXPECT_EQ(layer->offsetY, -64);
  EXPECT_EQ(layer->pixels32.height(), 80u + 64u);
  EXPECT_EQ(layer->pixels32.getPixel(135, 0), 0xFF0000FFu);
}

TEST(LayerMoveTest, NothingChangesWhenThereIsNothingToMoveOrNoRoom) {
  StringTable strings(kUiLanguageEnglish);
  Document doc(strings);
  Layer* layer = doc.newCanvas(100, 80, kLayerKind8);
  ASSERT_NE(layer, nullptr);
  ASSERT_TRUE(layer->moveContent(33, 33));  // empty store
  EXPECT_EQ(layer->offsetX, 0);
  EXPECT_EQ(layer->pixels8.width(), 100u);

  layer->pixels8.setPixel(5, 5, 9);
  EXPECT_FALSE(layer->moveContent(INT32_MAX, 0));
  EXPECT_FALSE(layer->moveContent(0, INT32_MIN));
  EXPECT_FALSE(layer->moveContent(-200000, 0));
  EXPECT_EQ(layer->offsetX, 0);
  EXPECT_EQ(layer->offsetY, 0);
  EXPECT_EQ(layer->pixels8.width(), 100u);
  EXPECT_EQ(layer->pixels8.getPixel(5, 5), 9);
  // Far, but within the limit.
  ASSERT_TRUE(layer->moveContent(-100000, 50000));
  EXPECT_EQ(layer->pixels8.getPixel(int32_t(5 - 100000 - layer->offsetX), 50005), 9);

  Layer* vector = doc.addLayer(kLayerKindVector);
  ASSERT_TRUE(vector->moveContent(10, 10));
  EXPECT_EQ(vector->offsetX, 0);
}

TEST(LayerMoveTest, ToneLayersMoveTheirHalftoneImage) {
  StringTable strings(kUiLanguageEnglish);
  Document doc(strings);
  Layer* layer = doc.newCanvas(100, 80, kLayerKind8);
  ASSERT_NE(layer, nullptr);
  layer->pixels8.fillRect(SpanParams{kOpCopy, 255, 255}, 0, 0, 20, 20);
  ASSERT_TRUE(layer->setTone(1, 60));
  ASSERT_TRUE(layer->moveContent(-30, 0));
  EXPECT_EQ(layer->pixels1.width(), layer->pixels8.width());
  EXPECT_EQ(layer->pixels1.getPixel(-layer->offsetX + 0, 5), 0);
  EXPECT_EQ(layer->pixels1.getPixel(-layer->offsetX - 30, 5), 1);  // solid tone 255
}

}  // namespace
}  // namespace kanvo
