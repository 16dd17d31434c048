#pragma once
// The operations of the 32-bit blend span over any source reader (internal to the span
// routines): blendRow32 runs one loop per operation, the operation chosen once per span.
// Ops 12 and 23 over a plain source take the exact fast kernels of SpanFast32.h.
#include <cstdint>

#include "raster/pixel/PixelOps.h"
#include "raster/span/SpanAccess.h"
#include "raster/span/SpanOps.h"
#include "raster/span/SpanPixel.h"

namespace kanvo::span_detail {

constexpr uint32_t opBit(int32_t op) { return op >= 0 && op < 32 ? 1u << op : 0u; }

// Ops of the plain span and of the scaled form.
constexpr uint32_t kBlendOpsPlain = opBit(kOpCopy) | opBit(kOpAnd) | opBit(kOpOr) | opBit(kOpBlend) |
                                    opBit(kOpBlendKeyed) | opBit(kOpAdd) | opBit(kOpMultiply) |
                                    opBit(kOpReplaceColour) | opBit(kOpMultiplyAlpha) | opBit(kOpAddAlpha) |
                                    opBit(kOpInverse) | opBit(kOpOver);
constexpr uint32_t kBlendOpsScaled = opBit(kOpCopy) | opBit(kOpBlend) | opBit(kOpMultiply) |
                                     opBit(kOpReplaceColour) | opBit(kOpMultiplyAlpha) | opBit(kOpAddAlpha) |
                                     opBit(kOpInverse) | opBit(kOpOver);

// Op 12, one pixel: an opaque source replaces the colour bytes; a translucent one mixes them
// by k = s.a w / 255 with division by 255; alpha is kept.
inline void replaceColourPixel(Color32& d, Color32 s, int w) {
  int sa = alphaOf(s);
  if (sa == 0) return;
  if (sa == 255) {
    d = keepAlpha(d, s);
    return;
  }
  int k = sa * w / 255;
  d = mapColour(d, s, [k](int dc, int sc) { return (sc * k + dc * (255 - k)) / 255; });
}

// Op 23, one pixel (w > 0).
inline void overPixel(Color32& d, Color32 s, int w) {
  if (alphaOf(s) != 0) overStraight(d, s, w);
}

// Op 22, one pixel.
inline void inversePixel(Color32& d, Color32 s, int w) {
  int sa = alphaOf(s);
  if (sa == 0) return;
  flattenIfTranslucent(d);
  int k = (((sa + 1) * w) >> 8) + 1;
  d = mapColour(d, s, [k](int dc, int sc) { return inverseByte(dc, ((255 - sc) * k) >> 8); });
}

template <class Source>
void blendRow32(const SpanParams& p, Source src, uint8_t* dst, int32_t count, uint32_t allowedOps) {
  if (!(opBit(p.op) & allowedOps)) return;
  const int w = p.opacity;
  if (w == 0 && p.op != kOpCopy && p.op != kOpAnd && p.op != kOpOr) return;
  switch (p.op) {
    case kOpCopy:
      forEachPixel32(dst, count, src, [](Color32& d, Color32 s) { d = s; });
      break;
    case kOpAnd:
      forEachPixel32(dst, count, src, [](Color32& d, Color32 s) { d &= s; });
      break;
    case kOpOr:
      forEachPixel32(dst, count, src, [](Color32& d, Color32 s) { d |= s; });
      break;
    case kOpBlend:
      forEachPixel32(dst, count, src, [w](Color32& d, Color32 s) { blendRgb(d, s, w); });
      break;
    case kOpBlendKeyed: {
      const Color32 key = p.key;
      forEachPixel32(dst, count, src, [w, key](Color32& d, Color32 s) {
        if (s != key) blendRgb(d, s, w);
      });
      break;
    }
    case kOpAdd:
      forEachPixel32(dst, count, src, [w](Color32& d, Color32 s) { addRgb(d, s, w); });
      break;
    case kOpMultiply:
      forEachPixel32(dst, count, src, [w](Color32& d, Color32 s) {
        if (alphaOf(s) != 0) multiplyRgb(d, s, w);  // a white source changes nothing
      });
      break;
    case kOpReplaceColour:
      forEachPixel32(dst, count, src, [w](Color32& d, Color32 s) { replaceColourPixel(d, s, w); });
      break;
    case kOpMultiplyAlpha:
      forEachPixel32(dst, count, src, [w](Color32& d, Color32 s) {
        if (alphaOf(s) == 0) return;
        flattenIfTranslucent(d);
        multiplyRgbByAlpha(d, s, w);
      });
      break;
    case kOpAddAlpha:
      forEachPixel32(dst, count, src, [w](Color32& d, Color32 s) {
        if (s != 0) addRgbByAlpha(d, s, w);
      });
      break;
    case kOpInverse:
      forEachPixel32(dst, count, src, [w](Color32& d, Color32 s) { inversePixel(d, s, w); });
      break;
    case kOpOver:
      forEachPixel32(dst, count, src, [w](Color32& d, Color32 s) { overPixel(d, s, w); });
      break;
    default:
      break;
  }
}

}  // namespace kanvo::span_detail
