// The coverage-to-colour spans: an 8-bit coverage row paints the paint colour onto a 32-bit
// row (plain, scaled and masked forms).
#include "raster/pixel/PixelOps.h"
#include "raster/span/SpanAccess.h"
#include "raster/span/SpanBlend32.h"
#include "raster/span/SpanOps.h"
#include "raster/span/SpanPixel.h"

namespace kanvo {

using namespace span_detail;

namespace {

constexpr uint32_t kCoverageOpsPlain = opBit(kOpPalette) | opBit(kOpBlend) | opBit(kOpReplaceColour) |
                                       opBit(kOpPaintInverted) | opBit(kOpOver) | opBit(kOpAddAlpha) |
                                       opBit(kOpMultiplyAlpha) | opBit(kOpEraseAlpha) |
                                       opBit(kOpEraseAlphaInverted) | opBit(kOpInverse);
constexpr uint32_t kCoverageOpsScaled = opBit(kOpReplaceColour) | opBit(kOpMultiplyAlpha) | opBit(kOpAddAlpha) |
                                        opBit(kOpPalette) | opBit(kOpPaintInverted) | opBit(kOpInverse) |
                                        opBit(kOpOver);

// The paint laid on with weight coverage (255 - coverage where Inverted) x opacity / 255: a
// pixel of no coverage stays, full weight takes the paint as it is, any other weight goes
// through Blend.
template <bool Inverted, void (*Blend)(Color32&, Color32, int), class Source>
void paintByCoverage(uint8_t* dst, int32_t count, Source src, int w, Color32 paint) {
  forEachPixel32(dst, count, src, [w, paint](Color32& d, int c) {
    const int coverage = Inverted ? 255 - c : c;
    if (coverage == 0) return;
    int k = coverage * w / 255;
    if (k == 255)
      d = paint;
    else
      Blend(d, paint, k);
  });
}

template <class Source>
void coverageRow32(const SpanParams& p, Source src, uint8_t* dst, int32_t count, uint32_t allowedOps) {
  if (!(opBit(p.op) & allowedOps)) return;
  const int w = p.opacity;
  const Color32 paint = p.paint == 0 ? kOpaqueBlack : p.paint;
  if (w == 0 && (p.op == kOpReplaceColour || p.op == kOpPaintInverted)) return;
  switch (p.op) {
    case kOpPalette: {
      const Color32* palette = p.palette;
      if (palette == nullptr) return;
      forEachPixel32(dst, count, src, [w, palette](Color32& d, int c) { blendRgb(d, palette[c], w); });
      break;
    }
    case kOpBlend:
      paintByCoverage<false, blendRgb>(dst, count, src, w, paint);
      break;
    case kOpReplaceColour:
      paintByCoverage<false, blendRgbByAlpha>(dst, count, src, w, paint);
      break;
    case kOpPaintInverted:
      paintByCoverage<true, blendRgbByAlpha>(dst, count, src, w, paint);
      break;
    case kOpOver: {
      const bool opaqueFull = alphaOf(paint) == 255 && w == 255;
      forEachPixel32(dst, count, src, [w, paint, opaqueFull](Color32& d, int c) {
        if (c == 0) return;
        if (opaqueFull && c == 255) {
          d = paint;
          return;
        }
        int k = c * w / 255;
        int da = alphaOf(d);
        if (da == 255)
          d = approachOpaque(d, paint, k);
        else if (da == 0)
          d = withAlpha(paint, w < 255 ? k : c);
        else
          over(d, paint, k);
      });
      break;
    }
    case kOpAddAlpha:
      forEachPixel32(dst, count, src, [paint](Color32& d, int c) {
        if (c != 0) addRgbByAlpha(d, paint, c);
      });
      break;
    case kOpMultiplyAlpha:
      forEachPixel32(dst, count, src, [paint](Color32& d, int c) {
        if (c == 0) return;
        flattenIfTranslucent(d);
        multiplyRgbByAlpha(d, paint, c);
      });
      break;
    case kOpEraseAlpha:
      forEachPixel32(dst, count, src, [w](Color32& d, int c) {
        int t = alphaOf(d) - c * w / 255;
        d = t > 0 ? withAlpha(d, t) : 0;
      });
      break;
    case kOpEraseAlphaInverted:
      forEachPixel32(dst, count, src, [w](Color32& d, int c) {
        int t = alphaOf(d) - (255 - c) * w / 255;
        d = t >= 0 ? withAlpha(d, t) : 0;
      });
      break;
    case kOpInverse: {
      int q[3];
      for (int i = 0; i < 3; ++i) q[i] = (255 - byteOf(paint, i)) * w / 255;
      forEachPixel32(dst, count, src, [w, q](Color32& d, int c) {
        if (c == 0) return;
        flattenIfTranslucent(d);
        int k = c * w / 255 + 1;
        uint32_t out = d & 0xFF000000u;
        for (int i = 0; i < 3; ++i) out |= uint32_t(inverseByte(byteOf(d, i), (k * q[i]) >> 8)) << (8 * i);
        d = out;
      });
      break;
    }
    default:
      break;
  }
}

}  // namespace

void coverageSpan32(const SpanParams& p, const uint8_t* src, int32_t srcX, uint8_t* dst, int32_t dstX,
                    int32_t count) {
  if (src == nullptr || srcX < 0 || !spanArgsOk(dst, dstX, count)) return;
  coverageRow32(p, Source8{src + srcX}, pixel32(dst, dstX), count, kCoverageOpsPlain);
}

void coverageSpan32Scaled(const SpanParams& p, const uint8_t* src, int32_t start16, int32_t step16,
                          uint8_t* dst, int32_t dstX, int32_t count) {
  if (src == nullptr || !spanArgsOk(dst, dstX, count) || !scaledRangeOk(start16, step16, count)) return;
  coverageRow32(p, ScaledSource8{src, start16, step16}, pixel32(dst, dstX), count, kCoverageOpsScaled);
}

void maskedCoverageSpan32(const SpanParams& p, const uint8_t* src, int32_t srcX, const uint8_t* mask,
                          int32_t maskX, uint8_t* dst, int32_t dstX, int32_t count) {
  if (src == nullptr || mask == nullptr || srcX < 0 || maskX < 0 || !spanArgsOk(dst, dstX, count)) return;
  if (p.op != kOpReplaceColour && p.op != kOpOver) return;
  const uint8_t* cov = src + srcX;
  const uint8_t* m = mask + maskX;
  uint8_t* row = pixel32(dst, dstX);
  const int w = p.opacity;
  const Color32 paint = p.paint;
  // k = c, then times opacity / 255 below full opacity, then times m / 255 below a full mask.
  auto weight = [w](int c, int mv) {
    int k = c;
    if (w < 255) k = k * w / 255;
    if (mv < 255) k = k * mv / 255;
    return k;
  };
  struct Pair {
    const uint8_t* cov;
    const uint8_t* m;
    int operator()(int32_t i) const { return cov[i] | m[i] << 8; }
  } pair{cov, m};
  if (p.op == kOpReplaceColour) {
    const int pa = alphaOf(paint);
    forEachPixel32(row, count, pair, [weight, paint, pa](Color32& d, int cm) {
      int c = cm & 0xFF, mv = cm >> 8;
      if (c == 0 || mv == 0) return;
      int k = weight(c, mv);
      if (k == 255) {
        d = keepAlpha(d, paint);
        return;
      }
      int k2 = pa * k / 255;
      d = mapColour(d, paint, [k2](int dc, int pc) { return (dc * (255 - k2) + pc * k2) / 255; });
    });
  } else {
    forEachPixel32(row, count, pair, [weight, paint](Color32& d, int cm) {
      int c = cm & 0xFF, mv = cm >> 8;
      if (c == 0 || mv == 0) return;
      overStraight(d, paint, weight(c, mv));
    });
  }
}

}  // namespace kanvo
