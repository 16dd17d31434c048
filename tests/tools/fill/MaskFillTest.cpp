// The mask composite on every raster depth against a per-pixel reference built from one-pixel
// spans, with the transparency lock, a selection and a moved store drawn at random, and a hidden
// or locked layer and an all-zero mask in the last rounds; undo and redo give back the exact
// states.
#include <gtest/gtest.h>

#include <array>
#include <random>

#include "raster/pixel/PixelOps.h"
#include "raster/span/SpanOps.h"
#include "support/DocumentState.h"
#include "support/LayerStores.h"
#include "support/TiledImages.h"
#include "tools/fill/MaskFill.h"

namespace kanvo {
namespace {

// The value the fill should leave at a store pixel holding old, under coverage c and selection m.
uint32_t expected(const Layer& layer, uint32_t old, uint8_t c, uint8_t m, bool masked,
                  const FillPaint& paint) {
  SpanParams sp{kOpPaintValue, uint8_t(paint.opacity), 0, uint32_t(255 - luminance(paint.colour))};
  const int ink = int(sp.paint);
  if (!layer.visible || layer.locked || (layer.kind == kLayerKind1 && paint.opacity < 128)) return old;
  if (layer.kind == kLayerKind1) return c >= 128 && (!masked || m >= 128) ? uint32_t(ink >= 128) : old;
  if (layer.kind == kLayerKind8) {
    uint8_t d = uint8_t(old);
    masked ? maskedSpan8(sp, &c, 0, &m, 0, &d, 0, 1) : blendSpan8(sp, &c, 0, &d, 0, 1);
    return d;
  }
  Color32 d = old;
  sp.op = layer.reservedFlag ? kOpReplaceColour : kOpOver;
  sp.paint = paint.colour;
  auto* row = reinterpret_cast<uint8_t*>(&d);
  masked ? maskedCoverageSpan32(sp, &c, 0, &m, 0, row, 0, 1) : coverageSpan32(sp, &c, 0, row, 0, 1);
  return d;
}

TEST(MaskFill, CompositesLikePerPixelSpansAndUndoesExactly) {
  std::mt19937 rng(91);
  StringTable strings{kUiLanguageEnglish};
  for (int round = 0; round < 30; ++round) {  // rounds 24 to 29: hidden, locked, no mask
    const int32_t kind = std::array{kLayerKind32, kLayerKind8, kLayerKind1}[size_t(round % 3)];
    const int32_t reach = rng() % 2 ? 90 : 0;  // how far the store may move
    const bool selected = rng() % 2;
    Document doc{strings};
    UndoHistory history;
    const uint32_t w = 150 + rng() % 60, h = 110 + rng() % 60;
    Layer& layer = *doc.newCanvas(int32_t(w), int32_t(h), kind);
    test::withStore(layer, [&](auto& store) { test::fillRandomTiles(store, rng); });
    ASSERT_TRUE(layer.moveContent(test::randomIn(rng, -reach, reach), test::randomIn(rng, -reach, reach)));
    layer.reservedFlag = kind == kLayerKind32 && rng() % 2;
    layer.visible = round / 2 != 12;
    layer.locked = round / 2 == 13;
    Selection& selection = *doc.currentSelection();
    if (selected) test::fillRandomTiles(selection.mask, rng);
    TiledImage8 coverage;
    coverage.resize(w, h);
    round / 2 == 14 ? void(coverage.getOrCreateTile(1, 1)) : test::fillRandomTiles(coverage, rng);
    const FillPaint paint{Color32(rng() | 0x01000000u), int32_t(1 + rng() % 255)};

    Layer before;
    ASSERT_TRUE(before.copyFrom(layer, &doc));
    const std::string stateBefore = test::documentState(doc);
    const Rect changed = fillThroughMask(doc, history, layer, coverage, paint, "Fill (Rect)");
    const bool masked = selected && !coveredBounds(selection.mask).isEmpty();
    for (int32_t y = 0; y < int32_t(layer.storeHeight()); ++y)
      for (int32_t x = 0; x < int32_t(layer.storeWidth()); ++x) {
        const int32_t cx = x + layer.offsetX, cy = y + layer.offsetY;
        const uint32_t old = test::storePixel(before, x, y);
        const uint32_t want =
            expected(layer, old, coverage.getPixel(cx, cy), selection.mask.getPixel(cx, cy), masked, paint);
        ASSERT_EQ(test::storePixel(layer, x, y), want) << round << " at " << x << "," << y;
        ASSERT_TRUE(want == old || changed.contains(cx, cy));
      }
    ASSERT_EQ(history.undoLabel() ? *history.undoLabel() : "", changed.isEmpty() ? "" : "Fill (Rect)");
    if (!changed.isEmpty()) test::expectUndoRedoExact(history, doc, stateBefore);
  }
}

}  // namespace
}  // namespace kanvo
