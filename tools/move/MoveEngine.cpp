#include "tools/move/MoveEngine.h"

#include <cmath>
#include <utility>

#include "raster/pixel/FixedPoint.h"
#include "raster/tiled/TiledCopy.h"

namespace kanvo {

namespace {

constexpr const char* kLabel = "Move Layer";
constexpr const char* kPartLabel = "Move Layer Part";

bool finitePoint(CanvasPoint p) { return std::isfinite(p.x) && std::isfinite(p.y); }

}  // namespace

bool MoveEngine::begin(const MoveStart& start) {
  putBack();
  if (document_.busy != 0 || start.rotate || !finitePoint(start.at)) return false;
  Layer* layer = document_.currentLayer();
  if (layer == nullptr || !layer->isRaster() || !layer->visible || layer->locked) return false;
  if (start.liftPart) {
    const Selection* selection = document_.selection(0);
    if (floating_ == nullptr || selection == nullptr || document_.currentSelectionIndex() != 0 ||
        !floating_->lift(*layer, selection->mask, start.copyPart))
      return false;
    part_ = true;
    redraw();
  }
  layer_ = layer;
  press_ = start.at;
  shownX_ = shownY_ = 0;
  layer->subPixelX = layer->subPixelY = 0.0;
  return true;
}

void MoveEngine::drag(CanvasPoint current) {
  if (layer_ == nullptr || document_.indexOf(layer_) < 0 || !finitePoint(current)) return;
  if (part_) {
    if (floating_->moveTo(current.x - press_.x, current.y - press_.y)) redraw();
    return;
  }
  layer_->subPixelX = current.x - press_.x;
  layer_->subPixelY = current.y - press_.y;
  const int32_t x = saturateToInt32(std::floor(layer_->subPixelX));
  const int32_t y = saturateToInt32(std::floor(layer_->subPixelY));
  if (x == shownX_ && y == shownY_) return;
  shownX_ = x;
  shownY_ = y;
  redraw();
}

bool MoveEngine::commit(CanvasPoint release) {
  drag(release);
  if (part_ && layer_ != nullptr && document_.indexOf(layer_) >= 0 && commitPart(*layer_)) return true;
  Layer* layer = layer_;
  const int32_t dx = shownX_, dy = shownY_;
  putBack();
  if (layer == nullptr || document_.indexOf(layer) < 0 || (dx == 0 && dy == 0)) return false;
  // A move the store cannot take, or one that could not be taken back, is not made.
  if (!layer->visible || layer->locked || !layer->moveFits(dx, dy) ||
      !history_.recordLayerMove(*layer, document_.indexOf(layer), dx, dy, kLabel))
    return false;
  layer->moveContent(dx, dy);
  document_.layerChangedAll(*layer);
  redraw();
  return true;
}

// The part's pixels replace the layer's at their new place and the selection follows; one step
// records the layer's pixels the part covered before and after, and the selection.
bool MoveEngine::commitPart(Layer& layer) {
  const int32_t dx = floating_->dx(), dy = floating_->dy();
  Selection* selection = document_.selection(0);
  TiledImage8 moved;
  if ((dx == 0 && dy == 0) || selection == nullptr || layer.locked || !layer.visible ||
      !moved.resize(selection->mask.width(), selection->mask.height()) ||
      !copyPixels(selection->mask, 0, 0, selection->mask.width(), selection->mask.height(), moved, dx, dy) ||
      !history_.recordRegion(layer, document_.indexOf(&layer), *selection, floating_->touched(), dx, dy, kPartLabel))
    return false;
  floating_->end(&layer);
  part_ = false;
  layer_ = nullptr;
  selection->mask = std::move(moved);
  selection->refresh();
  document_.layerChangedAll(layer);
  redraw();
  return true;
}

bool MoveEngine::statusOffset(int32_t& x, int32_t& y) const {
  if (layer_ == nullptr) return false;
  x = part_ ? layer_->offsetX : shownX_;
  y = part_ ? layer_->offsetY : shownY_;
  return true;
}

void MoveEngine::putBack() {
  if (part_) {
    floating_->end();
    part_ = false;
    layer_ = nullptr;
    redraw();
  }
  if (layer_ == nullptr) return;
  const bool shown = shownX_ != 0 || shownY_ != 0;
  if (document_.indexOf(layer_) >= 0) layer_->subPixelX = layer_->subPixelY = 0.0;
  layer_ = nullptr;
  shownX_ = shownY_ = 0;
  if (shown) redraw();
}

void MoveEngine::redraw() {
  if (sink_ != nullptr) sink_->redrawAll();
}

}  // namespace kanvo
