// "Move Layer" and "Move Layer Part" on random 32, 8 and 1 bpp layers: the pending offset while
// dragging, the floor at the release, what moves nothing, and undo and redo exact.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "support/BrushRig.h"
#include "support/DocumentState.h"
#include "support/LayerStores.h"
#include "tools/move/MoveEngine.h"

namespace kanvo {
namespace {

TEST(MoveLayer, ReleaseMovesByTheFlooredDragAndUndoesExactly) {
  // the drag, the move expected (none: nothing recorded; the last lies beyond the largest store)
  const struct {
    double x, y;
    int32_t dx, dy;
  } cases[] = {{3.7, -2.2, 3, -3}, {0.4, 0.9, 0, 0}, {-70.5, 40.0, -71, 40}, {300000, 0, 0, 0}};
  std::mt19937 rng(3);
  for (int32_t kind : {kLayerKind32, kLayerKind8, kLayerKind1})
    for (const auto& c : cases) {
      test::BrushRig rig(120, 90, kind);
      MoveEngine engine(rig.doc, rig.history);
      Layer& layer = rig.layer();
      test::withStore(layer, [&](auto& s) {
        for (int i = 0; i < 2000; ++i) s.setPixel(int32_t(rng() % 120), int32_t(rng() % 90), decltype(s.getPixel(0, 0))(rng() | 1));
      });
      rig.doc.layerChangedAll(layer);
      Layer before(nullptr);
      ASSERT_TRUE(before.copyFrom(layer, nullptr));
      const std::string state = test::documentState(rig.doc);
      ASSERT_TRUE(engine.begin({{50.5, 40.5}}));
      engine.drag({50.5 + c.x, 40.5 + c.y});
      int32_t sx = 0, sy = 0;
      EXPECT_TRUE(engine.statusOffset(sx, sy) && layer.subPixelX == 50.5 + c.x - 50.5 && sy == std::floor(c.y));
      EXPECT_EQ(engine.commit({50.5 + c.x, 40.5 + c.y}), c.dx != 0 || c.dy != 0);
      EXPECT_EQ(layer.subPixelX, 0.0);
      if (c.dx == 0 && c.dy == 0) {
        EXPECT_TRUE(test::documentState(rig.doc) == state && rig.history.count() == 0);
        continue;
      }
      EXPECT_EQ(*rig.history.undoLabel(), "Move Layer");
      for (int32_t y = -80; y < 170; ++y)
        for (int32_t x = -80; x < 200; ++x)
          ASSERT_EQ(test::storePixel(layer, x + c.dx - layer.offsetX, y + c.dy - layer.offsetY), test::storePixel(before, x, y));
      test::expectUndoRedoExact(rig.history, rig.doc, state);
    }
}

TEST(MoveLayer, NothingStartsOnALockedOrHiddenLayer) {
  for (int what = 0; what < 2; ++what) {
    test::BrushRig rig(64, 64);
    MoveEngine engine(rig.doc, rig.history);
    rig.layer().locked = what == 0;
    rig.layer().visible = what != 1;
    EXPECT_FALSE(engine.begin({{5, 5}})) << what;
  }
}

// The selected pixels move by the floored drag (cut, or copied), replacing what lies under them
// unless clear;
// the selection follows; the layer is untouched until the release.
TEST(MoveLayer, PartMovesTheSelectedPixelsAsAPlainCopyWould) {
  const struct {
    double x, y;
    int32_t dx, dy;
  } cases[] = {{3.7, -2.2, 3, -3}, {0.4, 0.9, 0, 0}, {-45.5, 70.0, -46, 70}};
  std::mt19937 rng(5);
  for (int32_t kind : {kLayerKind32, kLayerKind8, kLayerKind1})
    for (bool copy : {false, true})
      for (const auto& c : cases) {
        test::BrushRig rig(120, 90, kind);
        FloatingPart part;
        MoveEngine engine(rig.doc, rig.history);
        engine.setFloatingPart(&part);
        Layer& layer = rig.layer();
        TiledImage8& mask = rig.doc.selection(0)->mask;
        test::withStore(layer, [&](auto& s) {
          for (int i = 0; i < 4000; ++i) s.setPixel(int32_t(rng() % 120), int32_t(rng() % 90), decltype(s.getPixel(0, 0))(rng() | 1));
        });
        for (int32_t y = 10; y < 60; ++y)
          for (int32_t x = 20; x < 90; ++x)
            if ((x * y) % 5 != 0) mask.setPixel(x, y, uint8_t(rng() | 1));
        rig.doc.selection(0)->mode = kSelectionMask;
        rig.doc.layerChangedAll(layer);
        Layer before(nullptr);
        TiledImage8 maskBefore;
        ASSERT_TRUE(before.copyFrom(layer, nullptr) && maskBefore.assign(mask));
        const std::string state = test::documentState(rig.doc);
        MoveStart start{{40.5, 30.5}};
        start.liftPart = true;
        start.copyPart = copy;
        ASSERT_TRUE(engine.begin(start));
        engine.drag({40.5 + c.x, 30.5 + c.y});
        EXPECT_EQ(test::documentState(rig.doc), state);
        EXPECT_EQ(engine.commit({40.5 + c.x, 30.5 + c.y}), c.dx != 0 || c.dy != 0);
        EXPECT_FALSE(part.floating());
        if (c.dx == 0 && c.dy == 0) {
          EXPECT_TRUE(test::documentState(rig.doc) == state && rig.history.count() == 0);
          continue;
        }
        EXPECT_EQ(*rig.history.undoLabel(), "Move Layer Part");
        for (int32_t y = 0; y < 90; ++y)
          for (int32_t x = 0; x < 120; ++x) {
            const int32_t sx = x - c.dx, sy = y - c.dy;
            const uint32_t moved = maskBefore.getPixel(sx, sy) != 0 ? test::storePixel(before, sx, sy) : 0;
            const bool cut = !copy && maskBefore.getPixel(x, y) != 0;
            const uint32_t under = cut ? 0 : test::storePixel(before, x, y);
            const bool clear = kind == kLayerKind32 ? alphaOf(moved) == 0 : moved == 0;
            const uint32_t expected = clear ? under : moved;
            ASSERT_EQ(test::storePixel(layer, x, y), expected) << kind << copy << x << "," << y;
            ASSERT_EQ(mask.getPixel(x, y), maskBefore.getPixel(sx, sy));
          }
        test::expectUndoRedoExact(rig.history, rig.doc, state);
      }
}

}  // namespace
}  // namespace kanvo
