#pragma once
// The forms the per-pixel references of the tests are written in, and the paint-over rule that
// several spans share.
#include <cstdint>

#include "raster/pixel/PixelOps.h"

namespace kanvo::test {

// f(destination byte, source byte) on the three colour bytes, alpha from d; no masking, so a
// result outside 0..255 shows up as a difference.
template <class F>
Color32 perByte(Color32 d, Color32 s, F f) {
  Color32 out = d & 0xFF000000u;
  for (int i = 0; i < 3; ++i) out |= uint32_t(f(byteOf(d, i), byteOf(s, i))) << (8 * i);
  return out;
}

// A copy of d after prim(d, s, w), for references written as expressions.
inline Color32 applied(void (*prim)(Color32&, Color32, int), Color32 d, Color32 s, int w) {
  prim(d, s, w);
  return d;
}

// d flattened onto white when it is not opaque.
inline Color32 flattened(Color32 d) { return alphaOf(d) < 255 ? flattenOntoWhite(d) : d; }

// s painted over d at weight w > 0: an opaque s at full weight is stored, a transparent d takes
// s (its alpha scaled by w below full weight), an opaque d blends by s's alpha, others get over.
inline Color32 paintOver(Color32 d, Color32 s, int w) {
  if (alphaOf(s) == 255 && w == 255) return s;
  if (alphaOf(d) == 0) return w < 255 ? (s & 0xFFFFFFu) | uint32_t(alphaOf(s) * w / 255) << 24 : s;
  return applied(alphaOf(d) == 255 ? blendRgbByAlpha : over, d, s, w);
}

}  // namespace kanvo::test
