#include "tools/shape/ShapeCoverage.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "raster/geometry/PolygonFill.h"
#include "raster/pixel/FixedPoint.h"
#include "raster/span/SpanOps.h"

namespace kanvo {

namespace {

constexpr int32_t kBandRows = 16;  // rows sharing one selection of edges

int32_t clampTo(double v, int32_t hi) {
  return std::clamp(saturateToInt32(v), 0, hi);
}

}  // namespace

void addPolygonCoverage(TiledImage8& mask, const PointList& points, bool antialias) {
  const int32_t width = int32_t(mask.width()), height = int32_t(mask.height());
  if (points.size() < 3 || width < 1 || height < 1) return;
  double left = points[0].x, right = left, top = points[0].y, bottom = top;
  for (const CurvePoint& p : points) {
    if (!std::isfinite(p.x) || !std::isfinite(p.y)) return;
    left = std::min(left, p.x);
    right = std::max(right, p.x);
    top = std::min(top, p.y);
    bottom = std::max(bottom, p.y);
  }
  if (right < -1 || left > width + 1 || bottom < -1 || top > height + 1) return;
  const int32_t firstRow = clampTo(std::floor(top) - 1, height - 1);
  const int32_t lastRow = clampTo(std::min(std::floor(bottom), double(height - 1)) + 1, height - 1);
  const int32_t x0 = clampTo(std::floor(left) - 1, width - 1), x1 = clampTo(std::ceil(right) + 1, width - 1);
  const int32_t span = x1 - x0 + 1;

  // Laid out as the mask's row buffer, so that a row over absent tiles is written from it as it is.
  std::vector<uint8_t> row(mask.rowBufferBytes(), 0);
  uint8_t* buffer = mask.rowBuffer();
  EdgeList all = edgesOf(points), band;
  for (int32_t y = firstRow; y <= lastRow; ++y) {
    if (y == firstRow || y % kBandRows == 0) {
      selectBand(all, y, kBandRows, band);
      prepareEdges(band);
    }
    std::memset(row.data() + x0, 0, size_t(span));
    if (!coverageRowSubsampled(row.data(), width, y, antialias, band)) continue;
    if (!mask.rowHasTiles(x0, y, span)) {
      mask.writeRow(row.data(), x0, y, span);
      continue;
    }
    mask.readRow(buffer, x0, y, span);
    for (int32_t x = x0; x <= x1; ++x) buffer[x] = std::max(buffer[x], row[size_t(x)]);
    mask.writeRow(buffer, x0, y, span);
  }
}

void addBoxCoverage(TiledImage8& mask, const Rect& box) {
  SpanParams full;
  full.op = kOpCopy;
  full.key = 255;
  mask.fillRect(full, box.x, box.y, box.width, box.height);
}

}  // namespace kanvo
