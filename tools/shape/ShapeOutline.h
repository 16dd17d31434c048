#pragma once
// The outlines of the shape tools, in canvas pixels: the box of a dragged rectangle, the
// rounded rectangle and the ellipse as polygons inside it, and the band of a polyline or of a
// closed polygon widened to a line width. Pure geometry: no images.
#include <cstdint>
#include <optional>
#include <vector>

#include "raster/geometry/CurveGeometry.h"
#include "raster/image/Rect.h"
#include "tools/ToolEvent.h"

namespace kanvo {

// A dragged box: its centre, its two unit axes (the screen's x and y directions on the canvas)
// and its half sides along them. A point (u, v) of the box, -halfWidth <= u <= halfWidth and
// -halfHeight <= v <= halfHeight, lies at centre + u axisX + v axisY.
struct ShapeBox {
  CurvePoint centre, axisX{1, 0}, axisY{0, 1};
  double halfWidth = 0, halfHeight = 0;
  // The upright whole-pixel box of an unturned drag (x, y, width, height all >= 0).
  Rect pixels;
  bool turned = false;
  CurvePoint at(double u, double v) const { return centre + axisX * u + axisY * v; }
};

// The box of a drag. Unturned, the press and release points are taken to whole pixels (floor)
// and span the box; turned, the drag's four corners are the box as the screen shows it. With
// constrain, when both sides are non-zero the shorter is stretched to the longer's length,
// keeping its direction. Nothing when a side is zero or a corner lies beyond kMaxCoordinate
// (or is not finite).
constexpr double kMaxCoordinate = double(1 << 24);
std::optional<ShapeBox> dragBox(const DragRect& drag, bool constrain);

// The rectangle with rounded corners: the radius is min(halfWidth, halfHeight) x rounding
// (rounding clamped to 0 ... 1), each corner an arc of trunc(radius x pi/2 x 0.125) vertices,
// 16 ... 256 of them, ends included.
PointList roundedRectangle(const ShapeBox& box, double rounding);
// The ellipse filling the box: trunc(max radius x 2 pi x 0.125) vertices, 32 ... 512 of them,
// vertex k at angle 2 pi k / n.
PointList ellipse(const ShapeBox& box);

// The band of width lineWidth centred on the polyline through points (closed: back to the
// first point as well), as pieces whose union is the band: a quadrilateral per segment and at
// each join a disc of the line width with, where the mitre stays within kMitreLimit line widths,
// the mitre's point. The ends are cut square at the end points. Repeated points, and points
// beyond kMaxCoordinate, are passed over; fewer than two distinct points (three for a closed band) give
// nothing.
constexpr double kMitreLimit = 4.0;
std::vector<PointList> bandPieces(const PointList& points, double lineWidth, bool closed);

}  // namespace kanvo
