#pragma once
// What tool dispatch hands the tool families: points in canvas coordinates and the stylus
// state that came with them.
//
// Canvas coordinates are doubles in canvas pixels (pixel (x, y) covers [x, x + 1) x [y, y + 1)),
// already mapped from the window through the view (any zoom, rotation and mirror) and snapped
// when a snapping mode is on. Tools that work in whole pixels take the floor.
#include <cstdint>

#include "raster/geometry/CurveGeometry.h"

namespace kanvo {

// A point in canvas pixels (x, y doubles), the raster core's 2-D point.
using CanvasPoint = CurvePoint;

// One stylus event at a canvas point.
struct ToolEvent {
  CanvasPoint point;
  double pressure = 1.0;  // 0 ... 1 as the device reports it; 1.0 when it reports none
  uint32_t tick = 0;      // Clock milliseconds of the event
  int32_t button = 0;     // 0 the pen tip, 1 the pen's second button
  double zoom = 1.0;      // the view's screen pixels per canvas pixel at the event
};

}  // namespace kanvo
