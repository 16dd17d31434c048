// The anti-aliased span: a horizontal run between two real ends, its end pixels weighted by
// how much of them the run covers.
#include <cmath>
#include <utility>

#include "raster/pixel/PixelOps.h"
#include "raster/span/SpanAccess.h"
#include "raster/span/SpanOps.h"

namespace kanvo {

using namespace span_detail;

namespace {

// Paints the run [xa, xb] on a row of `width` pixels: paint(x, weight, single) for each pixel.
// Ends outside the row are clamped to it first (a run starting left of the row covers pixel 0
// fully), so end weights always stay within 0..255.
template <class Paint>
bool paintRun(int32_t width, double xa, double xb, int opacity, Paint paint) {
  if (width <= 0 || std::isnan(xa) || std::isnan(xb)) return false;
  if (xa > xb) std::swap(xa, xb);
  if (xb < 0.0 || xa >= double(width)) return false;
  if (xa < 0.0) xa = 0.0;
  if (xb > double(width)) xb = double(width);
  const int32_t ia = int32_t(xa), ib = int32_t(xb);
  const double fa = xa - ia, fb = xb - ib;
  if (ia == ib) {
    paint(ia, int((fb - fa) * 255.0) * opacity / 255, true);
    return true;
  }
  paint(ia, (255 - int(fa * 255.0)) * opacity / 255, false);
  for (int32_t x = ia + 1; x < ib && x < width; ++x) paint(x, opacity, false);
  if (ib < width) paint(ib, int(fb * 255.0) * opacity / 255, false);
  return true;
}

}  // namespace

bool antialiasedSpan32(const SpanParams& p, uint8_t* row, int32_t rowWidth, double xa, double xb) {
  if (row == nullptr) return false;
  const Color32 colour = p.paint;
  return paintRun(rowWidth, xa, xb, p.opacity, [row, colour](int32_t x, int w, bool single) {
    uint8_t* q = pixel32(row, x);
    Color32 d = load32(q);
    if (!single && alphaOf(d) == 255)
      blendRgb(d, colour, w);
    else
      over(d, colour, w);
    store32(q, d);
  });
}

bool antialiasedSpan8(const SpanParams& p, uint8_t* row, int32_t rowWidth, double xa, double xb) {
  if (row == nullptr) return false;
  const int value = int(p.paint & 0xFF);
  return paintRun(rowWidth, xa, xb, p.opacity, [row, value](int32_t x, int w, bool) { mix8(row[x], value, w); });
}

}  // namespace kanvo
