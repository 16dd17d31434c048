#pragma once
// What tool dispatch hands the tool families: points in canvas coordinates and the stylus
// state that came with them.
//
// Canvas coordinates are doubles in canvas pixels (pixel (x, y) covers [x, x + 1) x [y, y + 1)),
// already mapped from the window through the view (any zoom, rotation and mirror) and snapped
// when a snapping mode is on. Tools that work in whole pixels take the floor.
#include <array>
#include <cstdint>
#include <vector>

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

// A rectangle dragged on the window from the press point to the current point, as canvas
// points: its corners in the order press point, (current x, press y), current point, (press x,
// current y), each mapped from the window to the canvas. With the view turned it is the upright
// screen rectangle the user sees, a turned quadrilateral on the canvas; plain, corners[0] and
// corners[2] span an upright canvas rectangle.
struct DragRect {
  std::array<CanvasPoint, 4> corners;
  bool turned = false;  // the view was turned or mirrored
  CanvasPoint from() const { return corners[0]; }
  CanvasPoint to() const { return corners[2]; }
};

// The points a multi-click tool collected (polygon vertices, a free outline), canvas points.
using VertexList = std::vector<CanvasPoint>;

// The operation of a selection tool, from the keys held: replace (no key), add (only Shift),
// remove (only Ctrl).
enum SelectionOperation : int32_t { kSelectReplace = 0, kSelectAdd = 1, kSelectRemove = 2 };

}  // namespace kanvo
