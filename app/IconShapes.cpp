#include "app/IconShapes.h"

#include <cmath>
#include <cstdio>
#include <numbers>

#include "raster/geometry/PolygonFill.h"

namespace kanvo {

namespace {

constexpr int kCircleSteps = 64;

PointList circle(double cx, double cy, double r) {
  PointList p;
  for (int i = 0; i < kCircleSteps; ++i) {
    const double a = 2.0 * std::numbers::pi * i / kCircleSteps;
    p.push_back({cx + r * std::cos(a), cy - r * std::sin(a)});
  }
  return p;
}

// Two loops as one outline: the bridge between their first points is walked both ways.
PointList joined(PointList outer, const PointList& inner) {
  const CurvePoint start = outer.front();
  outer.push_back(start);
  outer.insert(outer.end(), inner.rbegin(), inner.rend());
  outer.push_back(inner.back());
  outer.push_back(start);
  return outer;
}

}  // namespace

void IconShapes::polygon(PointList points, Color32 colour) { shapes_.push_back({std::move(points), colour}); }

void IconShapes::rect(double x, double y, double width, double height, Color32 colour) {
  polygon({{x, y}, {x + width, y}, {x + width, y + height}, {x, y + height}}, colour);
}

void IconShapes::disc(double cx, double cy, double radius, Color32 colour) {
  polygon(circle(cx, cy, radius), colour);
}

void IconShapes::ring(double cx, double cy, double radius, double width, Color32 colour) {
  polygon(joined(circle(cx, cy, radius + width / 2), circle(cx, cy, radius - width / 2)), colour);
}

void IconShapes::bar(double x0, double y0, double x1, double y1, double width, Color32 colour) {
  const double length = std::hypot(x1 - x0, y1 - y0);
  if (length <= 0) return;
  const double nx = -(y1 - y0) / length * width / 2, ny = (x1 - x0) / length * width / 2;
  polygon({{x0 + nx, y0 + ny}, {x1 + nx, y1 + ny}, {x1 - nx, y1 - ny}, {x0 - nx, y0 - ny}}, colour);
}

void IconShapes::capsule(double x0, double y0, double x1, double y1, double width, Color32 colour) {
  const double r = width / 2, heading = std::atan2(y1 - y0, x1 - x0);
  PointList p;
  for (int i = 0; i <= kCircleSteps / 2; ++i) {
    const double a = heading - std::numbers::pi / 2 + std::numbers::pi * i / (kCircleSteps / 2);
    p.push_back({x1 + r * std::cos(a), y1 + r * std::sin(a)});
  }
  for (int i = 0; i <= kCircleSteps / 2; ++i) {
    const double a = heading + std::numbers::pi / 2 + std::numbers::pi * i / (kCircleSteps / 2);
    p.push_back({x0 + r * std::cos(a), y0 + r * std::sin(a)});
  }
  polygon(std::move(p), colour);
}

void IconShapes::arc(double cx, double cy, double radius, double width, double a0, double a1, Color32 colour) {
  const int steps = std::max(2, int(std::abs(a1 - a0) / (2 * std::numbers::pi) * kCircleSteps));
  PointList p;
  for (int pass = 0; pass < 2; ++pass) {
    const double r = pass == 0 ? radius + width / 2 : radius - width / 2;
    for (int i = 0; i <= steps; ++i) {
      const double t = pass == 0 ? double(i) / steps : 1.0 - double(i) / steps;
      const double a = a0 + (a1 - a0) * t;
      p.push_back({cx + r * std::cos(a), cy - r * std::sin(a)});
    }
  }
  polygon(std::move(p), colour);
}

void IconShapes::mirror(double side) {
  for (IconShape& s : shapes_)
    for (CurvePoint& p : s.points) p.x = side - p.x;
}

void IconShapes::render(Image32& image, double scale) const {
  for (const IconShape& s : shapes_) {
    PointList scaled = s.points;
    for (CurvePoint& p : scaled) p = {p.x * scale, p.y * scale};
    ScanParams params;
    params.antialiasEnds = 1;
    params.subRows = 1;
    fillShape(image, scaled, s.colour | 0xFF000000u, alphaOf(s.colour), params, 0, image.height() - 1);
  }
}

std::string IconShapes::svg(double designSide, int32_t side) const {
  char buf[160];
  std::snprintf(buf, sizeof buf,
                "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%d\" height=\"%d\" viewBox=\"0 0 %g %g\">\n",
                side, side, designSide, designSide);
  std::string out = buf;
  for (const IconShape& s : shapes_) {
    out += "<path fill-rule=\"evenodd\" fill=\"";
    std::snprintf(buf, sizeof buf, "#%02x%02x%02x\"", redOf(s.colour), greenOf(s.colour), blueOf(s.colour));
    out += buf;
    if (alphaOf(s.colour) != 255) {
      std::snprintf(buf, sizeof buf, " fill-opacity=\"%.3f\"", alphaOf(s.colour) / 255.0);
      out += buf;
    }
    out += " d=\"";
    for (size_t i = 0; i < s.points.size(); ++i) {
      std::snprintf(buf, sizeof buf, "%s%.3f %.3f ", i == 0 ? "M" : "L", s.points[i].x, s.points[i].y);
      out += buf;
    }
    out += "Z\"/>\n";
  }
  return out + "</svg>\n";
}

}  // namespace kanvo
