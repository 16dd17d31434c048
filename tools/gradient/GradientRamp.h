#pragma once
// The gradient written into a raster store: every pixel of a rectangle takes the ramp colour for
// its parameter t, weighted by a selection mask.
//
// The ramp is a gradient FillSource (shape, repeat, colour mode, the two points and colours)
// set up for store coordinates; its t and its colour for t are the fill source's own. Per pixel
// the ramp gives a colour whose alpha is the pixel's weight: 255 for a two-colour ramp,
// 255 - t for a colour fading to transparent. The mask value m (canvas coordinates, 255
// without a mask) scales that weight to a = alpha x m / 255, and then:
// - 32 bpp: the colour at alpha a is laid over the pixel (straight-alpha over); with the
//   transparency locked it replaces the colour bytes in proportion to a and the alpha stays.
// - 8 bpp: the ramp's colours are grey levels (the low byte of each colour); the pixel is mixed
//   towards the level at weight a (mix8).
// - 1 bpp: the pixel is read as 0 or 255, mixed as on 8 bpp, and the result is written by the
//   4 x 4 ordered dither of the brushes (set where it reaches the threshold at (x mod 4,
//   y mod 4)), so a ramp shows as a dot pattern and untouched pixels keep their bit.
// With the transparency locked, empty 8 and 1 bpp pixels (0) stay empty.
#include <cstdint>

#include "raster/geometry/FillSource.h"
#include "raster/image/Rect.h"
#include "raster/tiled/TiledImage.h"

namespace kanvo {

struct RampTarget {
  Rect rect;                            // store coordinates; clipped to the store
  const TiledImage8* mask = nullptr;    // the selection mask, or null for no weighting
  int32_t maskOffsetX = 0;              // mask point = store point + offset (the layer offset)
  int32_t maskOffsetY = 0;
  bool keepAlpha = false;               // the layer's transparency is locked
};

// Writes the ramp into the store over target.rect. False when nothing of the rectangle lies in
// the store.
bool drawRamp(TiledImage32& store, const FillSource& ramp, const RampTarget& target);
bool drawRamp(TiledImage8& store, const FillSource& ramp, const RampTarget& target);
bool drawRamp(TiledImage1& store, const FillSource& ramp, const RampTarget& target);

}  // namespace kanvo
