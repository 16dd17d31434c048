#pragma once
// The coverage of a disc over the pixel grid: the one geometry behind the brush dabs, the tone
// cells (ToneSet::drawDot) and the brush preview.
//
// For a disc of radius r (pixels) around (cx, cy), forEachDiscPixel visits the pixels of the
// disc's box and hands each one's covered share as a value 0 ... 255:
// - The box starts at (trunc(cx - r), trunc(cy - r)) and is trunc((r + 1) x 2) pixels square,
//   clipped to [0, width) x [0, height).
// - Corner tests run in fixed point with 32 steps per pixel: the centre is floor(32 cx),
//   floor(32 cy), the radius trunc(32 r), the inner radius trunc(32 (r - 2)) (0 when r <= 2).
//   A pixel whose top-left corner lies inside the inner radius, or whose four corners all lie
//   strictly inside the circle, is covered (255); one with no corner inside is not visited.
// - Every other pixel, and every pixel of the box when r <= 3, is sampled on an N x N grid:
//   the points at 1/N steps from the pixel's top-left corner (its corner included), counted
//   when strictly inside the circle, in fixed point with N steps per pixel (centre floor(N cx),
//   radius trunc(N r)). Its coverage is count x 255 / N^2, truncated; pixels that count 0 are
//   not visited.
// The disc is empty (false, nothing visited) when r is above 250 or not above 0, N lies outside
// 1 ... 256, a centre coordinate is not finite or lies beyond 2^25 pixels from the origin, or
// nothing of the box remains after clipping.
#include <cmath>
#include <cstdint>

#include "raster/image/Rect.h"

namespace kanvo {

constexpr double kMaxDiscRadius = 250.0;
constexpr double kMaxDiscCentre = double(1 << 25);
constexpr int kMaxDiscGrid = 256;

// The 4 x 4 Bayer ordered-dither matrix, row by row (values 0 ... 15).
constexpr int32_t kBayer4x4[16] = {0, 8, 2, 10, 12, 4, 14, 6, 3, 11, 1, 9, 15, 7, 13, 5};

// The box of the disc, clipped; false when the disc is empty (see above).
inline bool discBox(double cx, double cy, double r, int grid, int32_t width, int32_t height, Rect& box) {
  if (r > kMaxDiscRadius || !(r > 0)) return false;
  if (!(std::fabs(cx) <= kMaxDiscCentre) || !(std::fabs(cy) <= kMaxDiscCentre)) return false;
  if (grid < 1 || grid > kMaxDiscGrid) return false;
  const int32_t side = int32_t((r + 1) * 2);
  box = Rect(int32_t(cx - r), int32_t(cy - r), side, side);
  return clipToSize(box, width, height);
}

// Calls visit(x, y, coverage) for every pixel of the disc with coverage above 0, row by row.
template <class Visit>
bool forEachDiscPixel(double cx, double cy, double r, int grid, int32_t width, int32_t height, Visit visit) {
  Rect box;
  if (!discBox(cx, cy, r, grid, width, height, box)) return false;
  const int64_t R = int64_t(32 * r), CX = int64_t(std::floor(32 * cx)), CY = int64_t(std::floor(32 * cy));
  const int64_t Ri = r > 2 ? int64_t(32 * (r - 2)) : 0;
  const int64_t N = grid;
  const int64_t RN = int64_t(double(N) * r);
  const int64_t CXN = int64_t(std::floor(double(N) * cx)), CYN = int64_t(std::floor(double(N) * cy));
  const int64_t R2 = R * R, Ri2 = Ri * Ri, RN2 = RN * RN, area = N * N;
  const bool alwaysSample = r <= 3;

  for (int32_t y = box.y; y < box.y + box.height; ++y) {
    const int64_t dy = 32 * int64_t(y) - CY;
    const int64_t dy2 = dy * dy, dyb2 = (dy + 32) * (dy + 32);
    for (int32_t x = box.x; x < box.x + box.width; ++x) {
      if (!alwaysSample) {
        const int64_t dx = 32 * int64_t(x) - CX;
        const int64_t dx2 = dx * dx;
        if (dx2 + dy2 < Ri2) {
          visit(x, y, 255);
          continue;
        }
        const int64_t dxr2 = (dx + 32) * (dx + 32);
        const int corners = (dx2 + dy2 < R2) + (dxr2 + dy2 < R2) + (dx2 + dyb2 < R2) + (dxr2 + dyb2 < R2);
        if (corners == 4) {
          visit(x, y, 255);
          continue;
        }
        if (corners == 0) continue;
      }
      int64_t count = 0;
      for (int64_t i = 0; i < N; ++i) {
        const int64_t sy = N * y - CYN + i;
        const int64_t sy2 = sy * sy;
        for (int64_t j = 0; j < N; ++j) {
          const int64_t sx = N * x - CXN + j;
          count += sy2 + sx * sx < RN2;
        }
      }
      if (count != 0) visit(x, y, int(count * 255 / area));
    }
  }
  return true;
}

}  // namespace kanvo
