// The gradient on random 32, 8 and 1 bpp layers (moved, locked, with a selection) against a
// per-pixel reference built on the vector filler's own evaluation; undo and redo exact.
#include <gtest/gtest.h>

#include <random>

#include "raster/dab/Dab.h"
#include "raster/geometry/FillSource.h"
#include "support/BrushRig.h"
#include "support/DocumentState.h"
#include "support/LayerStores.h"
#include "support/TiledImages.h"
#include "tools/gradient/GradientEngine.h"

namespace kanvo {
namespace {

// What the store pixel (x, y) holding old should become: the ramp over a transparent base (the
// filler's colour), its alpha scaled by the mask value m, laid on the pixel.
uint32_t expected(const Layer& layer, const FillSourceStack& ramp, int32_t x, int32_t y, int m, uint32_t old) {
  const Color32 c = ramp.evaluate(x, y);
  const int a = alphaOf(c) * m / 255;
  const bool lock = layer.reservedFlag != 0;
  if (layer.kind == kLayerKind32) {
    const Color32 s = (c & 0xFFFFFFu) | uint32_t(a) << 24;
    blendSpan32(SpanParams{lock ? kOpReplaceColour : kOpOver}, reinterpret_cast<const uint8_t*>(&s), 0,
                reinterpret_cast<uint8_t*>(&old), 0, 1);
    return old;
  }
  uint8_t v = uint8_t(layer.kind == kLayerKind1 ? old * 255 : old);
  if (m == 0 || (lock && v == 0)) return old;
  mix8(v, byteOf(c, 0), a);
  return layer.kind == kLayerKind8 ? v : v >= ditherThreshold(x, y);
}

TEST(Gradient, MatchesThePerPixelReferenceAndUndoesExactly) {
  std::mt19937 rng(7);
  for (int32_t kind : {kLayerKind32, kLayerKind8, kLayerKind1})
    for (int row = 0; row < 12; ++row) {  // row % 3: plain, transparency locked, selection
      test::BrushRig rig(150, 100, kind);
      GradientEngine engine(rig.doc, rig.history, rig.settings);
      Layer& layer = rig.layer();
      test::withStore(layer, [&](auto& store) { test::fillRandomTiles(store, rng); });
      ASSERT_TRUE(layer.moveContent(int32_t(rng() % 41) - 20, int32_t(rng() % 41) - 20));
      layer.reservedFlag = row % 3 == 1;
      Selection& sel = *rig.doc.selection(0);
      for (int32_t i = 0; row % 3 == 2 && i < 90 * 50; ++i) sel.mask.setPixel(40 + i % 90, 30 + i / 90, uint8_t(rng()));
      rig.doc.layerChangedAll(layer);
      rig.settings.setForeground(rng());
      rig.settings.setBackground(rng());
      ToolOptions& o = rig.settings.options;
      o.gradientShape = row % 4 == 3 ? 5 : int32_t(rng() % 3);  // 5: out of range, taken as 2
      o.gradientRepeat = int32_t(rng() % 3);
      o.gradientColourMode = int32_t(rng() % 2);
      const CanvasPoint from{rng() % 1700 / 10.0 - 10, rng() % 1200 / 10.0 - 10};
      const CanvasPoint to{from.x + (rng() % 2 ? 2.0 : -2.0) * (1 + rng() % 200 / 10.0), from.y + rng() % 601 / 10.0 - 30};
      auto level = [&](Color32 c) { return kind == kLayerKind32 ? c : uint32_t(255 - luminance(c)) | 0xFF000000u; };
      FillSourceStack ramp;
      ramp.addGradient(from.x, from.y, level(rig.settings.foreground()), to.x, to.y, level(rig.settings.background()),
                       std::min(o.gradientShape, 2), o.gradientRepeat, o.gradientColourMode);
      ramp.setView(-layer.offsetX, -layer.offsetY, 1.0);
      ramp.setBaseColour(0);
      Layer before(nullptr);
      ASSERT_TRUE(before.copyFrom(layer, nullptr));
      const std::string state = test::documentState(rig.doc);
      ASSERT_TRUE(engine.draw(from, to));
      EXPECT_EQ(*rig.history.undoLabel(), "Gradation");
      for (int32_t y = 0; y < int32_t(layer.storeHeight()); ++y)
        for (int32_t x = 0; x < int32_t(layer.storeWidth()); ++x) {
          const int m = row % 3 == 2 ? sel.mask.getPixel(x + layer.offsetX, y + layer.offsetY) : 255;
          ASSERT_EQ(test::storePixel(layer, x, y), expected(layer, ramp, x, y, m, test::storePixel(before, x, y)))
              << kind << " row " << row << " at " << x << "," << y;
        }
      test::expectUndoRedoExact(rig.history, rig.doc, state);
    }
}

TEST(Gradient, NothingForADragShorterThanAPixelOrOnALockedLayer) {
  test::BrushRig rig(200, 20);
  GradientEngine engine(rig.doc, rig.history, rig.settings);
  EXPECT_FALSE(engine.draw({30.2, 5}, {30.7, 5.5}));
  rig.layer().locked = 1;
  EXPECT_FALSE(engine.draw({0, 0}, {50, 0}));
  EXPECT_EQ(rig.history.count(), 0);
}

}  // namespace
}  // namespace kanvo
