#include "view/OverlayRaster.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace kanvo {

namespace {

void drawRun(Image32& image, int64_t x, int64_t y, int64_t length, Color32 colour) {
  if (y < 0 || y >= image.height()) return;
  const int64_t from = std::max<int64_t>(x, 0), to = std::min<int64_t>(x + length, image.width());
  for (int64_t i = from; i < to; ++i) image.setPixel(int32_t(i), int32_t(y), colour);
}

// Cuts the line to the box [lo, hi] on both axes (Liang-Barsky); false when nothing is left.
// Lines inside the box keep their end points exactly.
bool clipLine(int64_t& x0, int64_t& y0, int64_t& x1, int64_t& y1, double loX, double hiX, double loY, double hiY) {
  const double dx = double(x1 - x0), dy = double(y1 - y0);
  double t0 = 0.0, t1 = 1.0;
  const double p[4] = {-dx, dx, -dy, dy};
  const double q[4] = {double(x0) - loX, hiX - double(x0), double(y0) - loY, hiY - double(y0)};
  for (int i = 0; i < 4; ++i) {
    if (p[i] == 0.0) {
      if (q[i] < 0.0) return false;
      continue;
    }
    const double t = q[i] / p[i];
    if (p[i] < 0.0)
      t0 = std::max(t0, t);
    else
      t1 = std::min(t1, t);
  }
  if (t0 > t1) return false;
  const int64_t ax = x0, ay = y0;
  if (t1 < 1.0) {
    x1 = ax + std::llround(t1 * dx);
    y1 = ay + std::llround(t1 * dy);
  }
  if (t0 > 0.0) {
    x0 = ax + std::llround(t0 * dx);
    y0 = ay + std::llround(t0 * dy);
  }
  return true;
}

void drawLine(Image32& image, int64_t x0, int64_t y0, int64_t x1, int64_t y1, Color32 colour) {
  if (!clipLine(x0, y0, x1, y1, -2.0, double(image.width()) + 1.0, -2.0, double(image.height()) + 1.0)) return;
  const int64_t dx = std::abs(x1 - x0), dy = -std::abs(y1 - y0);
  const int64_t sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1;
  int64_t err = dx + dy;
  while (true) {
    drawRun(image, x0, y0, 1, colour);
    if (x0 == x1 && y0 == y1) break;
    const int64_t e2 = 2 * err;
    if (e2 >= dy) {
      err += dy;
      x0 += sx;
    }
    if (e2 <= dx) {
      err += dx;
      y0 += sy;
    }
  }
}

// The columns [left, right] of row y inside the ellipse inscribed in the box; false when none.
bool ellipseSpan(double cx, double cy, double rx, double ry, int64_t y, int64_t& left, int64_t& right) {
  const double d = (double(y) - cy) / ry;
  const double t = 1.0 - d * d;
  if (t < 0.0) return false;
  const double half = rx * std::sqrt(t);
  left = int64_t(std::ceil(cx - half));
  right = int64_t(std::floor(cx + half));
  return left <= right;
}

void drawEllipse(Image32& image, int64_t left, int64_t top, int64_t right, int64_t bottom, Color32 colour) {
  if (left > right) std::swap(left, right);
  if (top > bottom) std::swap(top, bottom);
  if (right - left < 1 || bottom - top < 1) return;
  const double cx = double(left + right - 1) / 2.0, cy = double(top + bottom - 1) / 2.0;
  const double rx = double(right - left) / 2.0, ry = double(bottom - top) / 2.0;
  const int64_t from = std::max<int64_t>(top, -1), to = std::min<int64_t>(bottom, int64_t(image.height()) + 1);
  for (int64_t y = from; y < to; ++y) {
    int64_t l = 0, r = -1;
    if (!ellipseSpan(cx, cy, rx, ry, y, l, r)) continue;
    // A pixel is on the outline when its row neighbours (above or below) are not both inside.
    int64_t al = 0, ar = -1, bl = 0, br = -1;
    const bool above = ellipseSpan(cx, cy, rx, ry, y - 1, al, ar);
    const bool below = ellipseSpan(cx, cy, rx, ry, y + 1, bl, br);
    const int64_t innerL = above && below ? std::max(al, bl) : r + 1;
    const int64_t innerR = above && below ? std::min(ar, br) : r;
    if (innerL > innerR) {
      drawRun(image, l, y, r - l + 1, colour);
      continue;
    }
    drawRun(image, l, y, std::max<int64_t>(innerL - l, 1), colour);
    const int64_t startRight = std::min(innerR + 1, r);
    drawRun(image, startRight, y, r - startRight + 1, colour);
  }
}

}  // namespace

void drawOverlay(Image32& image, const Overlay& overlay, int32_t originX, int32_t originY) {
  for (const OverlayRun& run : overlay.runs)
    drawRun(image, int64_t(run.x) - originX, int64_t(run.y) - originY, run.length, run.colour);
  for (const OverlayLine& line : overlay.lines)
    drawLine(image, int64_t(line.x0) - originX, int64_t(line.y0) - originY, int64_t(line.x1) - originX,
             int64_t(line.y1) - originY, line.colour);
  for (const OverlayEllipse& e : overlay.ellipses)
    drawEllipse(image, int64_t(e.left) - originX, int64_t(e.top) - originY, int64_t(e.right) - originX,
                int64_t(e.bottom) - originY, e.colour);
}

}  // namespace kanvo
