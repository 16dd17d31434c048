#pragma once
// Per-pixel formulas shared by several span routines (internal to raster/Span*.cpp). Each
// takes the destination pixel by reference; w, k are weights 0..255.
#include <cstdint>

#include "raster/pixel/Color32.h"
#include "raster/pixel/PixelOps.h"
#include "raster/span/SpanAccess.h"

namespace kanvo::span_detail {

// Flattens d onto opaque white when it is not opaque.
inline void flattenIfTranslucent(Color32& d) {
  if (alphaOf(d) < 255) d = flattenOntoWhite(d);
}

// Moves a colour byte towards its inverse by t / 255: dc + (255 - 2 dc) t / 255.
inline int inverseByte(int dc, int t) { return dc + (255 - 2 * dc) * t / 255; }

// Colour bytes of s with alpha a.
inline Color32 withAlpha(Color32 s, int a) { return (s & 0x00FFFFFFu) | uint32_t(a) << 24; }

// Colour bytes of s, alpha of d.
inline Color32 keepAlpha(Color32 d, Color32 s) { return (d & 0xFF000000u) | (s & 0x00FFFFFFu); }

// d.c = d.c + (P.c - d.c) k / 255 for an opaque destination (alpha stays).
inline Color32 approachOpaque(Color32 d, Color32 paint, int k) {
  return mapColour(d, paint, [k](int dc, int pc) { return dc + (pc - dc) * k / 255; });
}

// The "over" of the 32-bit blend span and the masked coverage span: s at weight w (w > 0
// or a formula that tolerates 0) onto d: an opaque s at full weight is copied, a transparent d
// receives s (alpha scaled by w below 255), an opaque d blends by alpha, any other d gets over.
inline void overStraight(Color32& d, Color32 s, int w) {
  int sa = alphaOf(s);
  if (sa == 255 && w == 255) {
    d = s;
    return;
  }
  int da = alphaOf(d);
  if (da == 0) {
    d = w < 255 ? withAlpha(s, sa * w / 255) : s;
  } else if (da == 255) {
    blendRgbByAlpha(d, s, w);
  } else {
    over(d, s, w);
  }
}

}  // namespace kanvo::span_detail
