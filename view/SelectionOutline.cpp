#include "view/SelectionOutline.h"

#include <cmath>

#include "raster/geometry/CurveGeometry.h"
#include "view/ViewTransform.h"

namespace kanvo {

namespace {

bool dashAxisSwapped(double angle) {
  const int32_t d = int32_t(std::trunc(angle * kDegreesPerRadian)) % 360;
  return (d - 45 >= 0 && d - 45 <= 90) || (d - 225 >= 0 && d - 225 <= 90);
}

// Appends one pixel, merged into the previous run when it continues it in the same colour.
void addPixel(Overlay& out, int64_t x, int64_t y, Color32 colour) {
  if (!out.runs.empty()) {
    OverlayRun& last = out.runs.back();
    if (last.y == y && last.colour == colour && int64_t(last.x) + last.length == x) {
      ++last.length;
      return;
    }
  }
  out.runs.push_back({int32_t(x), int32_t(y), 1, colour});
}

}  // namespace

void buildSelectionOutline(const std::vector<SelectionEdge>& edges, const OutlinePlacement& g, uint32_t phase,
                           Overlay& out) {
  out.runs.clear();
  const bool turned = g.angle != 0.0;
  const bool swapped = dashAxisSwapped(g.angle);
  const int64_t length = g.zoom >= 1.0 ? int64_t(std::ceil(std::min(g.zoom, 1e6))) : 1;
  const double mirror = g.mirrored ? -1.0 : 1.0;
  // The steps along a vertical (down) and a horizontal (right) edge.
  CurvePoint down{0.0, 1.0}, right{1.0, 0.0};
  if (turned) {
    down = rotate(down, g.angle);
    right = rotate(right, g.angle);
  }
  down.x *= mirror;
  right.x *= mirror;
  const int64_t clipRight = int64_t(g.clip.x) + g.clip.width, clipBottom = int64_t(g.clip.y) + g.clip.height;
  auto inside = [&](int64_t x, int64_t y) { return x >= g.clip.x && x < clipRight && y >= g.clip.y && y < clipBottom; };
  bool havePrevious = false;
  int64_t previousX = 0, previousY = 0;
  uint8_t previousOrientation = 0;
  for (const SelectionEdge& edge : edges) {
    CurvePoint p{edge.x * g.zoom, edge.y * g.zoom};
    if (turned) p = rotate(p, g.angle);
    const double fx = std::trunc(p.x), fy = std::trunc(p.y);
    if (!std::isfinite(fx) || !std::isfinite(fy) || std::fabs(fx) > 1e9 || std::fabs(fy) > 1e9) continue;
    int64_t px = g.baseX + int64_t(mirror * fx), py = g.baseY + int64_t(fy);
    // An edge at the previous edge's point is skipped only when it runs the same way: a corner's
    // second edge is drawn (from zoom 2 up it is more than the shared pixel).
    if (!inside(px, py) ||
        (havePrevious && px == previousX && py == previousY && edge.orientation == previousOrientation)) {
      continue;
    }
    havePrevious = true;
    previousX = px;
    previousY = py;
    previousOrientation = edge.orientation;
    const bool vertical = edge.orientation == 1;
    if (vertical && edge.x == g.selectionWidth) --px;
    if (!vertical && edge.y == g.selectionHeight) --py;
    const CurvePoint step = vertical ? down : right;
    for (int64_t k = 0; k < length; ++k) {
      const int64_t x = px + int64_t(std::trunc(double(k) * step.x));
      const int64_t y = py + int64_t(std::trunc(double(k) * step.y));
      if (!inside(x, y)) continue;
      const int64_t c = (vertical != swapped) ? y : x;
      addPixel(out, x, y, ((int64_t(phase) + c) & 4) != 0 ? kOpaqueBlack : kOpaqueWhite);
    }
  }
}

}  // namespace kanvo
