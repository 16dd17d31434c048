#pragma once
// Row operations ("spans"): every change of pixels goes through one of these routines.
// A routine gets one destination row, optionally a source row (and a mask row), start offsets
// in pixels (bits for 1 bpp rows), a pixel count and a SpanParams whose op selects the
// arithmetic. All arithmetic is integer and exact; see PixelOps.h for the per-pixel primitives.
// A null row does nothing. A routine ignores op codes it does not implement.
#include <cstdint>

#include "raster/Color32.h"

namespace kanvo {

// One numbering shared by every span routine, by undo records and by files.
enum SpanOp : int32_t {
  kOpCopy = 0,            // copy / set
  kOpAnd = 1,             // bitwise AND; blend at opacity in the 32-bit fill span
  kOpOr = 2,              // bitwise OR; set bits (threshold spans)
  kOpOverFill = 3,        // over (32-bit fill); invert (bit-to-colour); XOR (1-bit blit)
  kOpBlend = 4,           // RGB blend at opacity keeping destination alpha; 8-bit mix
  kOpBlendKeyed = 5,      // blend skipping key-coloured source pixels / key value
  kOpAdd = 6,             // add, clamped
  kOpSubtract = 7,        // subtract (8-bit); clear bits; lighten (8-bit fill)
  kOpMultiply = 8,        // multiply
  kOpAddWrap = 9,         // add with wrap-around (8-bit)
  kOpSubtractInverse = 11,  // subtract the inverted source (8-bit); clear where not covered
  kOpReplaceColour = 12,  // replace colour keeping destination alpha
  kOpMultiplyAlpha = 13,  // multiply by source alpha onto a white-flattened destination
  kOpAddAlpha = 14,       // add weighted by source alpha
  kOpPaintValue = 15,     // paint a constant value by coverage (8-bit)
  kOpPalette = 17,        // palette lookup
  kOpPaintInverted = 18,  // paint where coverage is low
  kOpEraseAlpha = 20,     // erase alpha by coverage
  kOpEraseAlphaInverted = 21,  // erase alpha by inverted coverage
  kOpInverse = 22,        // inverse (exclusion against the inverted source)
  kOpOver = 23,           // over (straight alpha)
};

struct SpanParams {
  int32_t op = kOpCopy;
  uint8_t opacity = 255;
  // The colour the blend span treats as transparent (op 5) or the fill colour of the 32-bit
  // fill span; its low byte is the key/fill value of 8-bit spans, its low bit the 1-bit fill bit.
  Color32 key = 0;
  // Paint colour of the coverage and bit spans; low byte is the paint value of 8-bit op 15.
  // A paint colour of 0 is taken as opaque black by the coverage-to-colour span.
  Color32 paint = 0;
  const Color32* palette = nullptr;  // 256 colours, op 17 only
};

// True for the ops that change the destination where the source row is empty (no tiles),
// so region operations must not skip such rows: 0, 11, 18 and 21.
bool opChangesWhereSourceEmpty(int32_t op);

// 1. 32-bit fill span: ops 0, 1, 3. Colour is params.key.
void fillSpan32(const SpanParams& p, uint8_t* dst, int32_t dstX, int32_t count);
// 2. 32-bit blend span (32-bit source): ops 0, 1, 2, 4, 5, 6, 8, 12, 13, 14, 22, 23.
void blendSpan32(const SpanParams& p, const uint8_t* src, int32_t srcX, uint8_t* dst, int32_t dstX,
                 int32_t count);
// 3. Coverage-to-colour span (8-bit coverage source onto 32-bit): ops 4, 12, 13, 14, 17, 18, 20,
// 21, 22, 23.
void coverageSpan32(const SpanParams& p, const uint8_t* src, int32_t srcX, uint8_t* dst, int32_t dstX,
                    int32_t count);
// 4. Masked coverage-to-colour span: ops 12 and 23.
void maskedCoverageSpan32(const SpanParams& p, const uint8_t* src, int32_t srcX, const uint8_t* mask,
                          int32_t maskX, uint8_t* dst, int32_t dstX, int32_t count);
// 5. Bit-to-colour span (1-bit source, srcX in bits): ops 0, 2, 3, 12, 13, 14, 22, 23.
void bitSpan32(const SpanParams& p, const uint8_t* src, int32_t srcBitX, uint8_t* dst, int32_t dstX,
               int32_t count);
// 6. Scaled (nearest) forms: destination pixel i reads source pixel (start + i * step) >> 16.
void blendSpan32Scaled(const SpanParams& p, const uint8_t* src, int32_t start16, int32_t step16,
                       uint8_t* dst, int32_t dstX, int32_t count);
void coverageSpan32Scaled(const SpanParams& p, const uint8_t* src, int32_t start16, int32_t step16,
                          uint8_t* dst, int32_t dstX, int32_t count);
void bitSpan32Scaled(const SpanParams& p, const uint8_t* src, int32_t start16, int32_t step16,
                     uint8_t* dst, int32_t dstX, int32_t count);
// 7. 8-bit blend span: ops 0, 1, 2, 4, 5, 6, 7, 9, 11, 15.
void blendSpan8(const SpanParams& p, const uint8_t* src, int32_t srcX, uint8_t* dst, int32_t dstX,
                int32_t count);
// 8. Masked 8-bit span: ops 0, 4, 15, 23.
void maskedSpan8(const SpanParams& p, const uint8_t* src, int32_t srcX, const uint8_t* mask, int32_t maskX,
                 uint8_t* dst, int32_t dstX, int32_t count);
// 9. 8-bit fill span (value = low byte of params.key): ops 0, 1, 2, 3, 7.
void fillSpan8(const SpanParams& p, uint8_t* dst, int32_t dstX, int32_t count);
// 10. Threshold span (8-bit source, srcX in bytes, to 1-bit destination, dstX in bits): 0, 2, 7, 11;
// masked form: 2 and 7.
void thresholdSpan(const SpanParams& p, const uint8_t* src, int32_t srcX, uint8_t* dst, int32_t dstBitX,
                   int32_t count);
void maskedThresholdSpan(const SpanParams& p, const uint8_t* src, int32_t srcX, const uint8_t* mask,
                         int32_t maskX, uint8_t* dst, int32_t dstBitX, int32_t count);
// 11. 1-bit blit span with independent bit offsets: ops 0, 1, 2, 3, 7.
void blitSpan1(const SpanParams& p, const uint8_t* src, int32_t srcBitX, uint8_t* dst, int32_t dstBitX,
               int32_t count);
// 12. 1-bit fill span (bit = low bit of params.key): ops 0, 3, 4, 5, 6.
void fillSpan1(const SpanParams& p, uint8_t* dst, int32_t dstBitX, int32_t count);
// 13. Anti-aliased span between xa and xb on a row of rowWidth pixels; colour params.paint,
// weight params.opacity. False when nothing was drawn.
bool antialiasedSpan32(const SpanParams& p, uint8_t* row, int32_t rowWidth, double xa, double xb);
bool antialiasedSpan8(const SpanParams& p, uint8_t* row, int32_t rowWidth, double xa, double xb);

}  // namespace kanvo
