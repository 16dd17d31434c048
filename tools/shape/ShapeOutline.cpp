#include "tools/shape/ShapeOutline.h"

#include <algorithm>
#include <cmath>

#include "raster/pixel/FixedPoint.h"

namespace kanvo {

namespace {

// pi / 2 and 2 pi as the vertex counts and angles take them (single precision).
constexpr double kHalfPi = 1.5707963705062866;
constexpr double kTwoPi = 6.2831854820251465;

// Finite and within kMaxCoordinate of the origin, so that whole-pixel boxes cannot overflow.
bool usable(CurvePoint p) {
  return std::fabs(p.x) <= kMaxCoordinate && std::fabs(p.y) <= kMaxCoordinate;
}
double length(CurvePoint p) {
  return std::hypot(p.x, p.y);
}
double cross(CurvePoint a, CurvePoint b) {
  return a.x * b.y - a.y * b.x;
}
CurvePoint perpendicular(CurvePoint d) {
  return {-d.y, d.x};
}

int32_t vertexCount(double v, int32_t lo, int32_t hi) {
  if (!(v >= lo)) return lo;  // also NaN
  return v >= hi ? hi : int32_t(v);
}

// Stretches the shorter of two signed sides to the longer's length.
void constrainSides(double& a, double& b) {
  if (a == 0 || b == 0) return;
  if (std::fabs(a) > std::fabs(b))
    b = std::copysign(std::fabs(a), b);
  else
    a = std::copysign(std::fabs(b), a);
}

// The point of the elliptic arc of radii (rx, ry) about (cu, cv) at angle t, in the box.
CurvePoint arcPoint(const ShapeBox& box, double cu, double cv, double rx, double ry, double t) {
  return box.at(cu + rx * std::cos(t), cv + ry * std::sin(t));
}

}  // namespace

std::optional<ShapeBox> dragBox(const DragRect& drag, bool constrain) {
  for (const CanvasPoint& c : drag.corners)
    if (!usable(c)) return std::nullopt;
  ShapeBox box;
  box.turned = drag.turned;
  if (!drag.turned) {
    const double x0 = std::floor(drag.from().x), y0 = std::floor(drag.from().y);
    double w = std::floor(drag.to().x) - x0, h = std::floor(drag.to().y) - y0;
    if (constrain) constrainSides(w, h);
    if (w == 0 || h == 0) return std::nullopt;
    const double left = w < 0 ? x0 + w : x0, top = h < 0 ? y0 + h : y0;
    w = std::fabs(w);
    h = std::fabs(h);
    box.centre = {left + w / 2, top + h / 2};
    box.halfWidth = w / 2;
    box.halfHeight = h / 2;
    box.pixels = Rect(saturateToInt32(left), saturateToInt32(top), saturateToInt32(w), saturateToInt32(h));
    return box;
  }
  CurvePoint u = drag.corners[1] - drag.corners[0], v = drag.corners[3] - drag.corners[0];
  double lu = length(u), lv = length(v);
  if (!(lu > 0) || !(lv > 0) || !std::isfinite(lu) || !std::isfinite(lv)) return std::nullopt;
  box.axisX = u * (1 / lu);
  box.axisY = v * (1 / lv);
  if (constrain) lu = lv = std::max(lu, lv);
  box.centre = drag.corners[0] + box.axisX * (lu / 2) + box.axisY * (lv / 2);
  box.halfWidth = lu / 2;
  box.halfHeight = lv / 2;
  return box;
}

PointList roundedRectangle(const ShapeBox& box, double rounding) {
  const double r = std::min(box.halfWidth, box.halfHeight) * std::clamp(rounding, 0.0, 1.0);
  const int32_t n = vertexCount(r * kHalfPi * 0.125, 16, 256);
  const double cu = box.halfWidth - r, cv = box.halfHeight - r;
  const double centres[4][2] = {{cu, cv}, {-cu, cv}, {-cu, -cv}, {cu, -cv}};
  PointList out;
  out.reserve(size_t(n) * 4);
  for (int q = 0; q < 4; ++q)
    for (int32_t j = 0; j < n; ++j)
      out.push_back(arcPoint(box, centres[q][0], centres[q][1], r, r, q * kHalfPi + kHalfPi * j / (n - 1)));
  return out;
}

PointList ellipse(const ShapeBox& box) {
  const int32_t n = vertexCount(std::max(box.halfWidth, box.halfHeight) * kTwoPi * 0.125, 32, 512);
  PointList out;
  out.reserve(size_t(n));
  for (int32_t k = 0; k < n; ++k)
    out.push_back(arcPoint(box, 0, 0, box.halfWidth, box.halfHeight, kTwoPi * k / n));
  return out;
}

std::vector<PointList> bandPieces(const PointList& points, double lineWidth, bool closed) {
  std::vector<PointList> pieces;
  const double hw = lineWidth / 2;
  if (!(hw > 0) || !std::isfinite(hw)) return pieces;
  PointList p;
  for (const CurvePoint& c : points)
    if (usable(c) && (p.empty() || !(c == p.back()))) p.push_back(c);
  if (closed && p.size() > 1 && p.front() == p.back()) p.pop_back();
  const size_t n = p.size();
  if (n < (closed ? 3u : 2u)) return pieces;

  const size_t segments = closed ? n : n - 1;
  std::vector<CurvePoint> dir(segments);
  for (size_t i = 0; i < segments; ++i) {
    const CurvePoint d = p[(i + 1) % n] - p[i];
    dir[i] = d * (1 / length(d));
    const CurvePoint side = perpendicular(dir[i]) * hw;
    pieces.push_back({p[i] + side, p[(i + 1) % n] + side, p[(i + 1) % n] - side, p[i] - side});
  }
  ShapeBox disc;
  disc.halfWidth = disc.halfHeight = hw;
  for (size_t i = closed ? 0 : 1; i < (closed ? n : n - 1); ++i) {
    const CurvePoint in = dir[(i + segments - 1) % segments], out = dir[i];
    disc.centre = p[i];
    pieces.push_back(ellipse(disc));
    const double turn = cross(in, out);
    if (std::fabs(turn) < 1e-9) continue;
    // The outer side of the turn, its two corners and the mitre's point between them.
    const double s = turn > 0 ? -1.0 : 1.0;
    const CurvePoint a = perpendicular(in) * s, b = perpendicular(out) * s;
    const CurvePoint bisector = a + b;
    const double cosHalf = (bisector.x * a.x + bisector.y * a.y) / length(bisector);
    if (!(cosHalf > 0) || 1 / cosHalf > kMitreLimit) continue;
    const CurvePoint tip = p[i] + bisector * (hw / (cosHalf * length(bisector)));
    pieces.push_back({p[i], p[i] + a * hw, tip, p[i] + b * hw});
  }
  return pieces;
}

}  // namespace kanvo
