#pragma once
// A round brush dab: the value each pixel of the disc receives, and its rendering into an
// 8-bit coverage image. The disc geometry is DiscCoverage.h; on top of it, per pixel of
// coverage c (0 ... 255), in this order:
// 1. Aliased dabs (antialias off): c below 128 is dropped, any other c becomes 255.
// 2. The value starts as the dab's opacity; with the soft edge it is
//    max(0, 255 - d x 255 / ((r + 1) x 256)) x opacity / 255, truncated, where d is the
//    distance from the dab's centre to the pixel's centre in 1/256 pixel: centre
//    floor(256 cx), floor(256 cy), pixel centre 256 x + 128, d the integer square root of the
//    squared fixed-point distance. With noise, the low bit of the next random number is added
//    (at most 255).
// 3. A selection mask, when given, is read at (x + maskOffsetX, y + maskOffsetY): mask 0 drops
//    the pixel, otherwise value = ((value + 1) x mask) >> 8.
// 4. value = value x c / 255.
// 5. Ordered dither: the value is compared with kBayer4x4 at (x mod 4, y mod 4) scaled to
//    16 b + 8: below it the pixel is dropped, otherwise the value becomes 255.
// Pixels whose value is 0 are dropped. Radii above 250 or not above 0 draw nothing.
#include <cstdint>

#include "raster/dab/DiscCoverage.h"
#include "raster/dab/RandomSource.h"
#include "raster/image/Rect.h"
#include "raster/tiled/TiledImage.h"

namespace kanvo {

struct DabStyle {
  int grid = 5;            // N of the N x N edge sampling (1 ... 256)
  bool antialias = true;
  bool softEdge = false;
  bool noise = false;      // needs random
  bool dither = false;
  int opacity = 255;       // 0 ... 255
  const TiledImage8* mask = nullptr;  // selection mask, or null
  int32_t maskOffsetX = 0, maskOffsetY = 0;
  RandomSource* random = nullptr;
};

// How a dab's value meets the coverage image.
enum class DabAccumulation {
  kMaximum,      // a pixel is raised to the value when the value is greater
  kTowardConstant,  // new = ((value + 1) x constant + (255 - value) x old) >> 8
};

// The dither threshold at pixel (x, y): 16 x kBayer4x4[y mod 4][x mod 4] + 8.
inline int ditherThreshold(int32_t x, int32_t y) { return kBayer4x4[((y & 3) << 2) | (x & 3)] * 16 + 8; }

// Calls put(x, y, value) (value 1 ... 255) for every pixel of the dab that keeps a value, the
// box clipped to width x height. False when the disc is empty.
template <class Put>
bool forEachDabValue(const DabStyle& style, double cx, double cy, double r, int32_t width, int32_t height, Put put);

// Renders the dab into coverage (tiles created on demand) with the given accumulation; box,
// when given, receives the clipped box of the dab (untouched when false). False when the disc
// is empty.
bool renderDab(TiledImage8& coverage, const DabStyle& style, double cx, double cy, double r,
               DabAccumulation accumulation = DabAccumulation::kMaximum, int constant = 0, Rect* box = nullptr);

// ---- implementation ----

namespace dab_detail {
// floor(sqrt(v)) for v >= 0.
inline int64_t isqrt(int64_t v) {
  int64_t s = int64_t(std::sqrt(double(v)));
  while (s * s > v) --s;
  while ((s + 1) * (s + 1) <= v) ++s;
  return s;
}
}  // namespace dab_detail

template <class Put>
bool forEachDabValue(const DabStyle& style, double cx, double cy, double r, int32_t width, int32_t height, Put put) {
  const int64_t CX = int64_t(std::floor(256 * cx)), CY = int64_t(std::floor(256 * cy));
  const double softScale = 255.0 / ((r + 1) * 256.0);
  return forEachDiscPixel(cx, cy, r, style.grid, width, height, [&](int32_t x, int32_t y, int c) {
    if (!style.antialias) {
      if (c < 128) return;
      c = 255;
    }
    int value = style.opacity;
    if (style.softEdge) {
      const int64_t dx = 256 * int64_t(x) + 128 - CX, dy = 256 * int64_t(y) + 128 - CY;
      const double fall = 255.0 - double(dab_detail::isqrt(dx * dx + dy * dy)) * softScale;
      value = fall > 0 ? int(fall * style.opacity / 255.0) : 0;
    }
    if (style.noise && style.random != nullptr) {
      value += style.random->next() & 1;
      if (value > 255) value = 255;
    }
    if (style.mask != nullptr) {
      const int m = style.mask->getPixel(x + style.maskOffsetX, y + style.maskOffsetY);
      if (m == 0) return;
      value = ((value + 1) * m) >> 8;
    }
    value = value * c / 255;
    if (style.dither) {
      if (value < ditherThreshold(x, y)) return;
      value = 255;
    }
    if (value > 0) put(x, y, value);
  });
}

}  // namespace kanvo
