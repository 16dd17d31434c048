#pragma once
// The comic guide a brush stroke follows. With the circle guide every sample of a stroke is
// placed on the circle around the guide's centre at the stylus's angle around it; the circle's
// radius is the distance from the centre to the press point, truncated to whole pixels and set
// again at every press. A stylus exactly at the centre counts as angle 0. While a guide is on,
// the samples are not smoothed.
#include <cmath>
#include <cstdint>

#include "raster/pixel/FixedPoint.h"
#include "tools/ToolEvent.h"

namespace kanvo {

enum GuideKind : int32_t {
  kGuideNone = 0,
  kGuideCircle = 1,
};

struct StrokeGuide {
  int32_t kind = kGuideNone;
  CanvasPoint centre;  // canvas pixels
  int32_t radius = 0;  // pixels, set at each press

  bool active() const { return kind != kGuideNone; }
  void press(CanvasPoint p) {
    if (kind == kGuideCircle) radius = saturateToInt32(std::hypot(p.x - centre.x, p.y - centre.y));
  }
  CanvasPoint constrain(CanvasPoint p) const {
    if (kind != kGuideCircle) return p;
    const double angle = std::atan2(p.y - centre.y, p.x - centre.x);
    return {centre.x + radius * std::cos(angle), centre.y + radius * std::sin(angle)};
  }
};

}  // namespace kanvo
