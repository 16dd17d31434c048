#pragma once
// Rotated image copy: fills a rectangle of one Image32 from another through a rotation (and
// optional per-axis scale factors) about the images' centres. Every destination pixel is mapped
// back into the source with 16.16 fixed-point stepping along its row and takes the nearest
// source pixel or a bilinear blend of four. Destination pixels that map outside the source keep
// their value, so the caller clears the destination first when it wants a background.
#include <cstdint>

#include "raster/image/Image32.h"

namespace kanvo {

// Per-axis scale factors applied to destination offsets before the rotation.
struct RotateFactors {
  double fx = 1.0, fy = 1.0;
};

// angle in radians; step is the source distance per destination pixel along a row (1.0 in
// use); (x, y, width, height) is the destination rectangle (normalised and clipped);
// (centreX, centreY) is the source pixel that lands on the destination's centre (width / 2,
// height / 2 by integer division). Bilinear output is opaque and never samples the source's
// last row or column. False when the rectangle is empty after clipping.
bool rotateCopy(Image32& destination, const Image32& source, double angle, double step, bool bilinear,
                const RotateFactors* factors, int32_t x, int32_t y, int32_t width, int32_t height, double centreX,
                double centreY);
bool rotateCopyWhole(Image32& destination, const Image32& source, double angle, double step, bool bilinear,
                     const RotateFactors* factors, double centreX, double centreY);

namespace rotate_detail {

// The bilinear blend of four pixels at fractions fx, fy (0..255): weights w00 = (255 - fx)
// (255 - fy) >> 8, w10 = fx (255 - fy) >> 8, w01 = (255 - fx) fy >> 8 and w11 the rest of 255;
// each colour byte (sum of weight x byte) / 255; alpha 255. The three bytes are summed and
// divided side by side in 16-bit fields of one 64-bit word (the sums stay below 65026).
inline Color32 bilinearOpaque(Color32 p00, Color32 p10, Color32 p01, Color32 p11, int fx, int fy) {
  const uint64_t w00 = uint64_t((255 - fx) * (255 - fy)) >> 8, w10 = uint64_t(fx * (255 - fy)) >> 8;
  const uint64_t w01 = uint64_t((255 - fx) * fy) >> 8, w11 = 255 - w00 - w10 - w01;
  auto spread = [](Color32 c) {
    const uint64_t v = c;
    return (v & 0xFFu) | (v & 0xFF00u) << 8 | (v & 0xFF0000u) << 16;
  };
  const uint64_t sum = w00 * spread(p00) + w10 * spread(p10) + w01 * spread(p01) + w11 * spread(p11);
  // x / 255 = (x + 1 + (x >> 8)) >> 8 for x <= 65534, in each field without carries.
  constexpr uint64_t kBytes = 0x000000FF00FF00FFull, kOnes = 0x0000000100010001ull;
  const uint64_t q = ((sum + kOnes + ((sum >> 8) & kBytes)) >> 8) & kBytes;
  return 0xFF000000u | Color32(q & 0xFFu) | Color32(q >> 8 & 0xFF00u) | Color32(q >> 16 & 0xFF0000u);
}

}  // namespace rotate_detail

}  // namespace kanvo
