// The 32-bit fill span, the 32-bit blend span and its scaled (nearest) form.
#include "raster/span/SpanOps.h"

#include "raster/pixel/PixelOps.h"
#include "raster/span/SpanAccess.h"
#include "raster/span/SpanBlend32.h"
#include "raster/span/SpanFast32.h"
#include "raster/span/SpanPixel.h"

namespace kanvo {

using namespace span_detail;

bool opChangesWhereSourceEmpty(int32_t op) {
  return op == kOpCopy || op == kOpSubtractInverse || op == kOpPaintInverted || op == kOpEraseAlphaInverted;
}

void fillSpan32(const SpanParams& p, uint8_t* dst, int32_t dstX, int32_t count) {
  if (!spanArgsOk(dst, dstX, count)) return;
  uint8_t* row = pixel32(dst, dstX);
  const Color32 colour = p.key;
  const int w = p.opacity;
  struct Constant {
    Color32 c;
    Color32 operator()(int32_t) const { return c; }
  } src{colour};
  switch (p.op) {
    case kOpCopy:
      forEachPixel32(row, count, src, [](Color32& d, Color32 s) { d = s; });
      break;
    case kOpAnd:
      forEachPixel32(row, count, src, [w](Color32& d, Color32 s) { blendRgb(d, s, w); });
      break;
    case kOpOverFill:
      if (w == 0) return;
      forEachPixel32(row, count, src, [w](Color32& d, Color32 s) { overStraight(d, s, w); });
      break;
    default:
      break;
  }
}

void blendSpan32(const SpanParams& p, const uint8_t* src, int32_t srcX, uint8_t* dst, int32_t dstX,
                 int32_t count) {
  if (src == nullptr || srcX < 0 || !spanArgsOk(dst, dstX, count)) return;
  const uint8_t* s = pixel32(src, srcX);
  uint8_t* d = pixel32(dst, dstX);
  if (p.opacity != 0 && p.op == kOpOver) {
    overRow32(s, d, count, p.opacity);
  } else if (p.opacity != 0 && p.op == kOpReplaceColour) {
    replaceColourRow32(s, d, count, p.opacity);
  } else {
    blendRow32(p, Source32{s}, d, count, kBlendOpsPlain);
  }
}

void blendSpan32Joined(const SpanParams& p, const JoinedRows& src, uint8_t* dst) {
  if (src.left == nullptr || dst == nullptr || src.count < 1 || src.shift < 0 || src.shift >= src.count ||
      (src.shift != 0 && src.right == nullptr) || src.rows < 1 ||
      (src.rows > 1 && src.stride < ptrdiff_t(src.count) * 4))
    return;
  const int64_t total = int64_t(src.count) * src.rows;  // rows one after another make one row
  if (src.shift == 0 && src.stride == ptrdiff_t(src.count) * 4 && total <= INT32_MAX)
    return blendSpan32(p, src.left, 0, dst, 0, int32_t(total));
  if (p.opacity != 0 && (p.op == kOpOver || p.op == kOpReplaceColour) &&
      (src.shift == 0 || src.count % kJoinedMultiple == 0)) {
    (p.op == kOpOver ? overRows32 : replaceColourRows32)(src, dst, p.opacity);
    return;
  }
  const int32_t split = src.count - src.shift;
  for (int32_t r = 0; r < src.rows; ++r) {
    const size_t at = size_t(r) * size_t(src.stride);
    blendSpan32(p, src.left + at, src.shift, dst + at, 0, split);
    if (src.shift != 0) blendSpan32(p, src.right + at, 0, dst + at, split, src.shift);
  }
}

void blendSpan32Scaled(const SpanParams& p, const uint8_t* src, int32_t start16, int32_t step16,
                       uint8_t* dst, int32_t dstX, int32_t count) {
  if (src == nullptr || !spanArgsOk(dst, dstX, count) || !scaledRangeOk(start16, step16, count)) return;
  uint8_t* d = pixel32(dst, dstX);
  if (p.opacity != 0 && (p.op == kOpOver || p.op == kOpReplaceColour)) {
    // Gather the source pixels a chunk at a time and run the fast rows over them.
    constexpr int32_t kChunk = 256;
    uint8_t gathered[4 * kChunk];
    ScaledSource32 source{src, start16, step16};
    for (int32_t i = 0; i < count; i += kChunk) {
      const int32_t n = count - i < kChunk ? count - i : kChunk;
      for (int32_t j = 0; j < n; ++j) store32(gathered + size_t(j) * 4, source(i + j));
      if (p.op == kOpOver)
        overRow32(gathered, pixel32(d, i), n, p.opacity);
      else
        replaceColourRow32(gathered, pixel32(d, i), n, p.opacity);
    }
    return;
  }
  blendRow32(p, ScaledSource32{src, start16, step16}, d, count, kBlendOpsScaled);
}

}  // namespace kanvo
