#include "app/commands/LayerCommands.h"

#include <algorithm>
#include <climits>

#include "app/Application.h"
#include "raster/tiled/TileTraits.h"

namespace kanvo {

namespace {

constexpr const char* kClearLabel = "Clear (Selected)";
constexpr const char* kExchangeLabel = "Insert";

// After a whole-document change: the document counts as changed; view and panels follow.
void documentReshaped(Application& app) {
  app.document.modified = 1;
  app.view.invalidate();
  app.view.redraw();
  app.drawPanels();
}

// Records the rect (store coordinates) of the layer's store of its kind, then calls
// change(store) with that store.
template <typename Change>
void changeStore(Application& app, Layer& layer, int32_t index, const Rect& rect, Change change) {
  UndoHistory& h = app.history;
  switch (layer.kind) {
    case kLayerKind32: h.recordPixels32(layer.pixels32, rect, index, kClearLabel); change(layer.pixels32); break;
    case kLayerKind8: h.recordPixels8(layer.pixels8, rect, index, kClearLabel); change(layer.pixels8); break;
    case kLayerKind1: h.recordPixels1(layer.pixels1, rect, index, kClearLabel); change(layer.pixels1); break;
    default: break;
  }
}

// A pixel value erased by the selection value m (0 ... 255).
Color32 erased(Color32 p, int m) {
  const uint32_t alpha = uint32_t(alphaOf(p)) * uint32_t(255 - m) / 255;
  return alpha == 0 ? 0 : (p & 0x00FFFFFFu) | (alpha << 24);
}
uint8_t erased(uint8_t p, int m) { return uint8_t(p * (255 - m) / 255); }

}  // namespace

Rect selectedBounds(const Selection& selection) {
  const TiledImage8& mask = selection.mask;
  int32_t left = INT32_MAX, top = INT32_MAX, right = INT32_MIN, bottom = INT32_MIN;
  for (int32_t ty = 0; ty < mask.tilesY(); ++ty)
    for (int32_t tx = 0; tx < mask.tilesX(); ++tx) {
      if (!mask.tileExists(tx, ty)) continue;
      const int32_t x0 = tx * kTileSize, y0 = ty * kTileSize;
      const int32_t x1 = std::min<int32_t>(x0 + kTileSize, int32_t(mask.width()));
      const int32_t y1 = std::min<int32_t>(y0 + kTileSize, int32_t(mask.height()));
      for (int32_t y = y0; y < y1; ++y)
        for (int32_t x = x0; x < x1; ++x)
          if (mask.getPixel(x, y) != 0) {
            left = std::min(left, x);
            right = std::max(right, x);
            top = std::min(top, y);
            bottom = std::max(bottom, y);
          }
    }
  if (left > right) return Rect();
  return Rect(left, top, right - left + 1, bottom - top + 1);
}

bool resizeCanvas(Application& app, int32_t width, int32_t height) {
  Document& d = app.document;
  if (width == d.width() && height == d.height()) return true;
  WaitCursor wait(app.surface());
  app.history.recordDocument(d, "");
  if (!d.resizeImage(width, height)) return false;
  documentReshaped(app);
  return true;
}

bool trimToSelection(Application& app) {
  Document& d = app.document;
  const Selection* selection = d.currentSelection();
  if (selection == nullptr || d.busy != 0) return false;
  const Rect bounds = selectedBounds(*selection);
  if (bounds.isEmpty()) return false;
  WaitCursor wait(app.surface());
  app.history.recordDocument(d, "");
  d.busy = 1;
  const bool cropped = d.cropToRect(bounds);
  d.busy = 0;
  if (!cropped) return false;
  documentReshaped(app);
  return true;
}

void clearCurrentLayer(Application& app) {
  Document& d = app.document;
  Layer* layer = d.currentLayer();
  if (layer == nullptr || !layer->isRaster()) return;
  WaitCursor wait(app.surface());
  const int32_t index = d.currentLayerIndex();
  const Selection* selection = d.currentSelection();
  const Rect selected = selection != nullptr && !selection->outline.empty() ? selectedBounds(*selection) : Rect();
  if (selected.isEmpty()) {
    changeStore(app, *layer, index, Rect(0, 0, int32_t(layer->storeWidth()), int32_t(layer->storeHeight())),
                [](auto& store) { store.clear(); });
  } else {
    const Rect rect(selected.x - layer->offsetX, selected.y - layer->offsetY, selected.width, selected.height);
    changeStore(app, *layer, index, rect, [&](auto& store) {
      for (int32_t y = selected.y; y < selected.bottom(); ++y)
        for (int32_t x = selected.x; x < selected.right(); ++x) {
          const int m = selection->mask.getPixel(x, y);
          if (m == 0) continue;
          const int32_t sx = x - layer->offsetX, sy = y - layer->offsetY;
          if constexpr (std::remove_reference_t<decltype(store)>::kBitsPerPixel == 1) {
            if (m >= 128) store.setPixel(sx, sy, 0);
          } else {
            store.setPixel(sx, sy, erased(store.getPixel(sx, sy), m));
          }
        }
    });
  }
  d.layerChangedAll(*layer);
  app.view.redraw();
  app.drawPanels();
}

void exchangeBottomLayers(Application& app) {
  Document& d = app.document;
  if (d.layerCount() < 2) return;
  WaitCursor wait(app.surface());
  app.history.recordLayerSwap(0, 1, kExchangeLabel);
  d.swapLayers(0, 1);
  // The current layer stays the same layer: positions 0 and 1 trade places, others stay.
  const int32_t current = d.currentLayerIndex();
  d.selectLayer(current == 0 ? 1 : current == 1 ? 0 : current);
  documentReshaped(app);
}

}  // namespace kanvo
