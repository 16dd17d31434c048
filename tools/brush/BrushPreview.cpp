#include "tools/brush/BrushPreview.h"

#include <algorithm>
#include <cmath>

#include "raster/dab/Dab.h"
#include "raster/pixel/FixedPoint.h"
#include "raster/pixel/PixelOps.h"

namespace kanvo {

namespace {
constexpr double kMinScreenDiameter = 3.0;
}  // namespace

Rect BrushPreview::show(CanvasPoint centre, double size, double zoom, Color32 colour, int opacity) {
  Rect rect = hide();
  if (!std::isfinite(zoom) || zoom <= 0 || !std::isfinite(size)) return rect;
  visible_ = true;
  centre_ = centre;
  zoom_ = zoom;
  screenRadius_ = (std::max(size * zoom, kMinScreenDiameter) + 1) * 0.5;
  colour_ = colour;
  opacity_ = std::clamp(opacity, 0, 255);
  rect.unite(canvasRect());
  return rect;
}

Rect BrushPreview::hide() {
  if (!visible_) return Rect();
  visible_ = false;
  return canvasRect();
}

Rect BrushPreview::canvasRect() const {
  const double reach = screenRadius_ / zoom_ + 2;
  const int32_t x0 = saturateToInt32(std::floor(centre_.x - reach)), y0 = saturateToInt32(std::floor(centre_.y - reach));
  const int32_t side = saturateToInt32(std::ceil(2 * reach) + 1);
  return Rect(x0, y0, side, side);
}

void BrushPreview::drawOver(Image32& canvasImage, const ViewFrame& frame) {
  if (!visible_ || !canvasImage.hasPixels()) return;
  DabStyle style;
  style.opacity = opacity_;
  const double cx = frame.zoom * centre_.x + frame.fracX - double(frame.u0);
  const double cy = frame.zoom * centre_.y + frame.fracY - double(frame.v0);
  forEachDabValue(style, cx, cy, screenRadius_, canvasImage.width(), canvasImage.height(),
                  [&](int32_t x, int32_t y, int value) {
                    if (Color32* p = canvasImage.pixelAddress(x, y)) over(*p, colour_, value);
                  });
}

}  // namespace kanvo
