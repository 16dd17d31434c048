// The bit-to-colour span: a 1 bpp source row selects the 32-bit pixels to paint (plain and
// scaled forms).
#include "raster/pixel/PixelOps.h"
#include "raster/span/SpanAccess.h"
#include "raster/span/SpanBlend32.h"
#include "raster/span/SpanOps.h"
#include "raster/span/SpanPixel.h"

namespace kanvo {

using namespace span_detail;

namespace {

constexpr uint32_t kBitOpsPlain = opBit(kOpCopy) | opBit(kOpOr) | opBit(kOpOverFill) | opBit(kOpReplaceColour) |
                                  opBit(kOpAddAlpha) | opBit(kOpMultiplyAlpha) | opBit(kOpInverse) |
                                  opBit(kOpOver);
constexpr uint32_t kBitOpsScaled = opBit(kOpCopy) | opBit(kOpOverFill) | opBit(kOpReplaceColour) |
                                   opBit(kOpMultiplyAlpha) | opBit(kOpAddAlpha) | opBit(kOpInverse) |
                                   opBit(kOpOver);

template <class Source>
void bitRow32(const SpanParams& p, Source src, uint8_t* dst, int32_t count, uint32_t allowedOps) {
  if (!(opBit(p.op) & allowedOps)) return;
  const int w = p.opacity;
  const Color32 paint = p.paint;
  if (w == 0 && p.op != kOpCopy && p.op != kOpOr) return;
  switch (p.op) {
    case kOpCopy:
      forEachPixel32(dst, count, src, [](Color32& d, int bit) { d = bit ? kOpaqueBlack : kOpaqueWhite; });
      break;
    case kOpOr:
      forEachPixel32(dst, count, src, [](Color32& d, int bit) {
        if (bit) d = kOpaqueBlack;
      });
      break;
    case kOpOverFill:  // invert
      forEachPixel32(dst, count, src, [w](Color32& d, int bit) {
        if (!bit) return;
        if (w == 255)
          d = ~d;
        else
          blendRgb(d, ~d, w);
      });
      break;
    case kOpReplaceColour:
      forEachPixel32(dst, count, src, [w, paint](Color32& d, int bit) {
        if (bit) blendRgbByAlpha(d, paint, w);
      });
      break;
    case kOpAddAlpha:
      forEachPixel32(dst, count, src, [w, paint](Color32& d, int bit) {
        if (bit) addRgbByAlpha(d, paint, w);
      });
      break;
    case kOpMultiplyAlpha:
      forEachPixel32(dst, count, src, [w, paint](Color32& d, int bit) {
        if (!bit) return;
        flattenIfTranslucent(d);
        multiplyRgbByAlpha(d, paint, w);
      });
      break;
    case kOpInverse: {
      int q[3];
      for (int i = 0; i < 3; ++i) q[i] = (255 - byteOf(paint, i)) * w / 255;
      forEachPixel32(dst, count, src, [q](Color32& d, int bit) {
        if (!bit) return;
        flattenIfTranslucent(d);
        uint32_t out = d & 0xFF000000u;
        for (int i = 0; i < 3; ++i) out |= uint32_t(inverseByte(byteOf(d, i), q[i])) << (8 * i);
        d = out;
      });
      break;
    }
    case kOpOver: {
      const bool opaqueFull = alphaOf(paint) == 255 && w == 255;
      const Color32 onClear = w < 255 ? withAlpha(paint, alphaOf(paint) * w / 255) : paint;
      forEachPixel32(dst, count, src, [w, paint, opaqueFull, onClear](Color32& d, int bit) {
        if (!bit) return;
        if (opaqueFull) {
          d = paint;
          return;
        }
        int da = alphaOf(d);
        if (da == 255)
          d = approachOpaque(d, paint, w);
        else if (da == 0)
          d = onClear;
        else
          over(d, paint, w);
      });
      break;
    }
    default:
      break;
  }
}

}  // namespace

void bitSpan32(const SpanParams& p, const uint8_t* src, int32_t srcBitX, uint8_t* dst, int32_t dstX,
               int32_t count) {
  if (src == nullptr || srcBitX < 0 || !spanArgsOk(dst, dstX, count)) return;
  bitRow32(p, Source1{src, srcBitX}, pixel32(dst, dstX), count, kBitOpsPlain);
}

void bitSpan32Scaled(const SpanParams& p, const uint8_t* src, int32_t start16, int32_t step16, uint8_t* dst,
                     int32_t dstX, int32_t count) {
  if (src == nullptr || !spanArgsOk(dst, dstX, count) || !scaledRangeOk(start16, step16, count)) return;
  bitRow32(p, ScaledSource1{src, start16, step16}, pixel32(dst, dstX), count, kBitOpsScaled);
}

}  // namespace kanvo
