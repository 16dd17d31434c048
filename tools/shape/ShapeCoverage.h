#pragma once
// Shapes scan-converted into a canvas-sized 8-bit coverage mask, the input of the mask fill
// (tools/fill/MaskFill.h). Pieces added one after another combine by taking the larger
// coverage at each pixel, so that overlapping pieces cover their union without holes or
// doubled edges.
#include "raster/geometry/CurveGeometry.h"
#include "raster/image/Rect.h"
#include "raster/tiled/TiledImage.h"

namespace kanvo {

// Adds the polygon (even-odd) to the mask: rows from floor(min y) - 1 to min(floor(max y),
// height - 1) + 1, clipped to the mask, each the mean of four sub-rows (PolygonFill's
// coverage row), the run ends weighted by their covered fraction with antialias. Fewer than
// three points, or a point that is not finite, add nothing.
void addPolygonCoverage(TiledImage8& mask, const PointList& points, bool antialias);
// Sets the rectangle (clipped to the mask) to full coverage.
void addBoxCoverage(TiledImage8& mask, const Rect& box);

}  // namespace kanvo
