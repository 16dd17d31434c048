// The gradient on random 32, 8 and 1 bpp layers (moved, locked, with a selection) against a
// plain per-pixel reference built on the vector filler's own evaluation; undo and redo exact.
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "raster/dab/Dab.h"
#include "raster/geometry/FillSource.h"
#include "support/BrushRig.h"
#include "support/DocumentState.h"
#include "support/LayerStores.h"
#include "tools/gradient/GradientEngine.h"

namespace kanvo {
namespace {

// What the layer pixel (store point x, y) should become: the ramp laid on transparency is the
// filler's colour over a transparent base, its alpha scaled by the mask value m.
uint32_t expected(const Layer& layer, const FillSourceStack& ramp, int32_t x, int32_t y, int m, uint32_t old) {
  const Color32 c = ramp.evaluate(x, y);
  const int a = alphaOf(c) * m / 255;
  const bool lock = layer.reservedFlag != 0;
  if (layer.kind == kLayerKind32) {
    uint8_t px[4], src[4];
    std::memcpy(px, &old, 4);
    const Color32 s = (c & 0xFFFFFFu) | uint32_t(a) << 24;
    std::memcpy(src, &s, 4);
    blendSpan32(SpanParams{lock ? kOpReplaceColour : kOpOver}, src, 0, px, 0, 1);
    std::memcpy(&old, px, 4);
    return old;
  }
  uint8_t v = layer.kind == kLayerKind1 ? uint8_t(old * 255) : uint8_t(old);
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
      test::withStore(layer, [&](auto& s) {
        for (int32_t i = 0; i < 150 * 100; ++i) s.setPixel(i % 150, i / 150, decltype(s.getPixel(0, 0))(rng() & (rng() % 2 ? ~0u : 0x01FFFFFFu)));
      });
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
      const CanvasPoint from{rng() % 1700 / 10.0 - 10, rng() % 1200 / 10.0 - 10}, to{from.x + (rng() % 2 ? 2.0 : -2.0) * (1 + rng() % 200 / 10.0), from.y + rng() % 601 / 10.0 - 30};
      const bool grey = kind != kLayerKind32;
      FillSourceStack ramp;
      auto level = [&](Color32 c) { return grey ? uint32_t(255 - luminance(c)) | 0xFF000000u : c; };
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
      const std::string drawn = test::documentState(rig.doc);
      rig.history.applyStep(0, rig.doc);
      EXPECT_TRUE(test::documentState(rig.doc) == state);
      rig.history.applyStep(1, rig.doc);
      EXPECT_TRUE(test::documentState(rig.doc) == drawn);
    }
}

TEST(Gradient, ClampedEndsAndWhatDrawsNothing) {
  test::BrushRig rig(200, 20);
  GradientEngine engine(rig.doc, rig.history, rig.settings);
  rig.settings.options.gradientColourMode = kGradientTwoColours;
  ASSERT_TRUE(engine.draw({10, 5}, {110, 5}));
  for (int32_t x : {0, 10, 110, 199}) EXPECT_EQ(rig.layer().pixel32(x, 7), x <= 10 ? kOpaqueBlack : kOpaqueWhite) << x;
  EXPECT_NE(rig.layer().pixel32(60, 7), kOpaqueBlack);
  const uint32_t revision = rig.history.revision();
  EXPECT_FALSE(engine.draw({30.2, 5}, {30.7, 5.5}));  // shorter than a pixel
  rig.doc.busy = 1;
  EXPECT_FALSE(engine.draw({0, 0}, {50, 0}));
  rig.doc.busy = 0;
  rig.layer().locked = 1;
  EXPECT_FALSE(engine.draw({0, 0}, {50, 0}));
  EXPECT_EQ(rig.history.revision(), revision);
}

}  // namespace
}  // namespace kanvo
