#include "tools/move/MoveEngine.h"

#include <cmath>

#include "raster/pixel/FixedPoint.h"

namespace kanvo {

namespace {

constexpr const char* kLabel = "Move Layer";

bool finitePoint(CanvasPoint p) { return std::isfinite(p.x) && std::isfinite(p.y); }

}  // namespace

bool MoveEngine::begin(const MoveStart& start) {
  putBack();
  if (document_.busy != 0 || start.rotate || start.liftPart || !finitePoint(start.at)) return false;
  Layer* layer = document_.currentLayer();
  if (layer == nullptr || !layer->isRaster() || !layer->visible || layer->locked) return false;
  layer_ = layer;
  press_ = start.at;
  shownX_ = shownY_ = 0;
  layer->subPixelX = layer->subPixelY = 0.0;
  return true;
}

void MoveEngine::drag(CanvasPoint current) {
  if (layer_ == nullptr || document_.indexOf(layer_) < 0 || !finitePoint(current)) return;
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

bool MoveEngine::statusOffset(int32_t& x, int32_t& y) const {
  if (layer_ == nullptr) return false;
  x = shownX_;
  y = shownY_;
  return true;
}

void MoveEngine::putBack() {
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
