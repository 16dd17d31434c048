#pragma once
// What the caller of the document compositor chooses, and the rules both compositors share:
// the span operation of each blend mode and the monochrome colour substitution.
#include <cstdint>

#include "raster/pixel/Color32.h"
#include "raster/pixel/PixelOps.h"
#include "raster/span/SpanOps.h"

namespace kanvo {

struct CompositeOptions {
  Color32 background = 0;    // value every band pixel starts from
  uint8_t monochrome = 0;    // 1: 8 bpp and 1 bpp layer colours become black or white
  uint8_t coverageAsIs = 0;  // 1: an 8 bpp layer is composited from its coverage even in tone mode
};

// The span operation of a blend mode in the document compositor: normal 23, multiply 13, add
// 14, inverse 22. An unknown mode composites as normal.
constexpr int32_t documentBlendOp(int32_t blendMode) {
  switch (blendMode) {
    case 1: return kOpMultiplyAlpha;
    case 2: return kOpAddAlpha;
    case 3: return kOpInverse;
    default: return kOpOver;
  }
}

// The same for the view compositor: normal 12, multiply 13, add 14, inverse 22.
constexpr int32_t viewBlendOp(int32_t blendMode) {
  switch (blendMode) {
    case 1: return kOpMultiplyAlpha;
    case 2: return kOpAddAlpha;
    case 3: return kOpInverse;
    default: return kOpReplaceColour;
  }
}

// The colour of an 8 bpp or 1 bpp layer with the monochrome option: opaque black when the
// colour's luminance is below 128, opaque white otherwise.
inline Color32 monochromeColour(Color32 colour) { return luminance(colour) < 128 ? kOpaqueBlack : kOpaqueWhite; }

}  // namespace kanvo
