#pragma once
// The bucket's region finder: a scanline seed fill from one pixel of a source image into an
// 8-bit mask. The region is every pixel reached from the seed through up, down, left and right
// neighbours whose distance from the seed's colour is below the tolerance; each of its pixels
// gets the mask value.
//
// The fill works run by run. Seeds wait in a first-in first-out list; a seed whose mask pixel
// is already set does nothing. Otherwise its run is filled leftwards from the seed, then
// rightwards, and while it is filled the rows above and below are seeded only at run
// boundaries: at each pixel of the run whose neighbour there is inside while the neighbour's
// right-hand pixel is not, and at the two ends of the run where their neighbour is inside.
// Rows outside the image are never seeded. Seeds already filled when they would be listed are
// left out, so the list holds at most the fill's frontier.
//
// Distances by depth: 32 bpp (|db| + |dg| + |dr| + |da|) >> 2, but 1 for colours that differ
// when the shift gives 0; 8 bpp |dv|; 1 bpp 0 for equal bits and 255 otherwise. A tolerance of
// 1 takes only the seed's exact colour; 0 or less takes nothing.
#include <cstdint>

#include "raster/image/Image32.h"
#include "raster/pixel/Color32.h"
#include "raster/tiled/TiledImage.h"

namespace kanvo {

// The distance of two colours or values of a depth.
inline int32_t fillDistance32(Color32 a, Color32 b) {
  if (a == b) return 0;
  int32_t sum = 0;
  for (int i = 0; i < 4; ++i) {
    const int32_t d = byteOf(a, i) - byteOf(b, i);
    sum += d < 0 ? -d : d;
  }
  return sum >= 4 ? sum >> 2 : 1;
}
inline int32_t fillDistance8(uint8_t a, uint8_t b) {
  return a > b ? a - b : b - a;
}
inline int32_t fillDistance1(uint8_t a, uint8_t b) {
  return a == b ? 0 : 255;
}

// Fills the region of (x, y) in source (an Image32, TiledImage32, TiledImage8 or TiledImage1)
// with value into mask, which must be at least the source's size (its pixel (x, y) is the
// source's). True when the fill ran to its end (also for a tolerance that takes nothing, or
// value 0, which writes nothing). False when the seed lies outside the source or the mask is
// smaller (nothing written), or when memory ran out for the seed list or a mask tile: the mask
// may then hold part of the region and is to be discarded.
template <class Source>
bool SeedFill(const Source& source, TiledImage8& mask, int32_t x, int32_t y, uint8_t value,
              int32_t tolerance);

}  // namespace kanvo
