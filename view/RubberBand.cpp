#include "view/RubberBand.h"

#include <cstdlib>

namespace kanvo {

void drawBandLine(Overlay& overlay, int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
  overlay.lines.push_back({x0, y0, x1, y1, kOpaqueBlack});
  if (std::abs(int64_t(x0) - x1) <= std::abs(int64_t(y0) - y1))
    overlay.lines.push_back({x0 + 1, y0, x1 + 1, y1, kOpaqueWhite});
  else
    overlay.lines.push_back({x0, y0 + 1, x1, y1 + 1, kOpaqueWhite});
}

void drawBandRect(Overlay& overlay, int32_t x, int32_t y, int32_t width, int32_t height) {
  drawBandLine(overlay, x, y, x + width, y);
  drawBandLine(overlay, x, y + height, x + width, y + height);
  drawBandLine(overlay, x, y, x, y + height);
  drawBandLine(overlay, x + width, y, x + width, y + height);
}

void drawBandEllipse(Overlay& overlay, int32_t left, int32_t top, int32_t right, int32_t bottom) {
  overlay.ellipses.push_back({left, top, right, bottom, kOpaqueBlack});
  if (std::abs(int64_t(right) - left) > std::abs(int64_t(bottom) - top))
    overlay.ellipses.push_back({left, top + 1, right, bottom + 1, kOpaqueWhite});
  else
    overlay.ellipses.push_back({left + 1, top, right + 1, bottom, kOpaqueWhite});
}

}  // namespace kanvo
