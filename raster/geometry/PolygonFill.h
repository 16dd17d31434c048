#pragma once
// Polygon scan conversion: an even-odd scanline filler for closed point lists (polygons,
// rectangles, ellipses, stroke outlines) in double precision, painting one pixel row at a time
// into an Image32 with a solid colour or a fill-source stack, and the matching point-in-shape
// test.
//
// A closed list of n points has the edges (p0, p1), ..., (p(n-1), p0); fewer than 3 points are
// never inside and never filled. A row y is sampled at its centre y + 0.5 (or at four sub-rows
// y + 0.125, 0.375, 0.625, 0.875 with subRows), every sample line being moved down by the fixed
// offset kScanOffset so that it never passes exactly through a vertex. A row (or any of its
// sub-rows) with 256 or more crossings, or with an odd count, paints nothing.
//
// Anti-aliasing: antialiasEnds weights the two end pixels of every run by their covered
// fraction; subRows weighs each pixel by the mean of its four sub-rows' 8-bit coverage (as
// coverageRun, or a plain run without antialiasEnds, would draw each sub-row at value opacity)
// and paints it once (an opaque pixel whose weight comes to 0 is left as it is).
// Every painted run extends params.dirty.
//
// Coordinates beyond the 32-bit range are clipped, NaN crossings paint nothing, and row ranges
// are clipped to the image, so no input can address memory outside the image.
#include <cstdint>
#include <vector>

#include "raster/pixel/Color32.h"
#include "raster/geometry/CurveGeometry.h"
#include "raster/image/Image32.h"
#include "raster/image/Image8.h"
#include "raster/image/Rect.h"

namespace kanvo {

class FillSourceStack;

// Added to every sample line's y.
constexpr double kScanOffset = 0.00123456789;
// A row (sub-row) holds at most this many crossings; one more abandons it.
constexpr int kMaxCrossings = 255;

struct PolygonEdge {
  CurvePoint from, to;
  double inverseSlope = 0;   // (to.x - from.x) / (to.y - from.y); 0 for a horizontal edge
  uint8_t mostlyHorizontal = 0;  // |dx| > |dy|
  uint8_t goesDown = 0;          // to.y > from.y
};
using EdgeList = std::vector<PolygonEdge>;

struct ScanParams {
  uint8_t antialiasEnds = 0;  // fractional coverage at run ends
  uint8_t subRows = 0;        // four sub-rows per row with a coverage buffer
  uint8_t skipOddRows = 0;    // odd rows are not drawn (fast preview)
  const FillSourceStack* fillSources = nullptr;  // colour per pixel instead of the solid colour
  Rect dirty;                 // extended by every painted run
};

// The edges of a closed point list (not yet prepared).
EdgeList edgesOf(const PointList& points);
// Computes inverseSlope, mostlyHorizontal and goesDown of every edge.
void prepareEdges(EdgeList& edges);
// Whether the prepared edge crosses the line y (moved by kScanOffset), and where.
bool edgeCrossing(const PolygonEdge& edge, double y, double& x);
inline bool edgeCrossing(const EdgeList& edges, size_t index, double y, double& x) {
  return index < edges.size() && edgeCrossing(edges[index], y, x);
}
// The edges whose vertical extent overlaps [top, top + height], end points included.
void selectBand(const EdgeList& all, double top, double height, EdgeList& band);

// Paints rows firstRow..lastRow (clipped to the image) of the shape at opacity 0..255.
void fillShape(Image32& image, const PointList& points, Color32 colour, int opacity, ScanParams& params,
               int32_t firstRow, int32_t lastRow);
// One row from prepared band edges, sampled at its centre.
void fillRow(Image32& image, int32_t y, Color32 colour, int opacity, ScanParams& params, const EdgeList& edges);
// One row from four sub-rows.
void fillRowSubsampled(Image32& image, int32_t y, Color32 colour, int opacity, ScanParams& params,
                       const EdgeList& edges);
// Row y of the shape as 8-bit coverage from four sub-rows, into a row of width bytes: each
// pixel from the first run to the last gets the mean of its sub-rows' coverage (255 inside a
// run, with antialiasEnds the covered fraction at the run ends, 0 between runs), the weight
// fillRowSubsampled paints with at opacity 255; the pixels outside are left as they are.
// False when nothing was written.
bool coverageRowSubsampled(uint8_t* row, int32_t width, int32_t y, bool antialiasEnds, const EdgeList& edges);
// Even-odd test of the integer point (x, y), sampled on the line y itself; a point on a run's
// end counts as inside.
bool pointInShape(const PointList& points, int32_t x, int32_t y);

// The 8-bit anti-aliased span of value at full weight on a coverage row of width bytes (what
// antialiasedSpan8 paints with paint value `value` and opacity 255), its inner pixels stored at
// once; false when nothing was drawn.
bool coverageRun(uint8_t* row, int32_t width, double xa, double xb, int value);

// Run painters for row y of an image (nothing when the row is outside; runs clipped).
// Pixels min(x0, x1)..max(x0, x1): opaque pixels blendRgb, others over, weight opacity.
void solidRun(Image32& image, int32_t y, int32_t x0, int32_t x1, Color32 colour, int opacity);
// The anti-aliased span between xa and xb.
void solidRunAntialiased(Image32& image, int32_t y, double xa, double xb, Color32 colour, int opacity);
// Pixels min..max: over with the stack's colour at the pixel, weight opacity.
void sourceRun(Image32& image, int32_t y, int32_t x0, int32_t x1, const FillSourceStack& sources, int opacity);
// As sourceRun with the end pixels weighted by coverage; both ends in one pixel paint it once
// with paintPixel.
void sourceRunAntialiased(Image32& image, int32_t y, double xa, double xb, const FillSourceStack& sources,
                          int opacity);

}  // namespace kanvo
