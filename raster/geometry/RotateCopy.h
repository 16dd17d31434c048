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

}  // namespace kanvo
