#pragma once
// Nearest-neighbour resampling of a tiled image into another of the same depth and any size.
//
// Destination pixel (x, y) takes source pixel ((x * stepX) >> 16, (y * stepY) >> 16), the
// steps being the source size over the destination size in 16.16 fixed point, truncated:
// stepX = (source width << 16) / destination width. Positions are computed in 64 bits, so
// every index stays inside the source. Source rows without tiles leave their destination rows
// without tiles.
#include <cstdint>

#include "raster/tiled/TiledImage.h"

namespace kanvo {

// 16.16 step from a source extent to a destination extent (destination at least 1).
inline int64_t resampleStep16(int64_t sourceSize, int64_t destinationSize) {
  return destinationSize > 0 ? (sourceSize << 16) / destinationSize : 0;
}

// Replaces every pixel of dst (which keeps its size) by the nearest pixel of src. False when
// a tile could not be had (dst then holds part of the result) or src and dst are the same
// image. An empty source or destination gives an empty dst and true.
template <int Bpp>
bool resampleNearest(const TiledImage<Bpp>& src, TiledImage<Bpp>& dst);

}  // namespace kanvo
