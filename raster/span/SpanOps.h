#pragma once
// Row operations ("spans"): every change of pixels goes through one of these routines.
// A routine gets one destination row, optionally a source row (and a mask row), start offsets
// in pixels (bits for 1 bpp rows), a pixel count and a SpanParams whose op selects the
// arithmetic. All arithmetic is integer and exact; see PixelOps.h for the per-pixel primitives.
// A null row does nothing. A routine ignores op codes it does not implement.
#include <cstddef>
#include <cstdint>

#include "raster/pixel/Color32.h"

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

// Common rules. Rows are plain byte arrays; 32-bit pixels are read and written unaligned.
// Offsets count pixels (bits for 1 bpp rows) and must not be negative; a null row, a negative
// offset or a count below 1 does nothing. Source and destination must not overlap unless they
// are the same pixels. "w" below is params.opacity.
// Opacity 0 leaves the destination unchanged for: the 32-bit blend span (ops other than 0, 1,
// 2), the bit-to-colour span (ops other than 0, 2), ops 12 and 18 of the coverage span, op 3
// of the 32-bit fill span and op 15 of the masked 8-bit span. Everywhere else the formula is
// applied as written even at opacity 0 (op 4 of the coverage span still blends with w = 0).

// 1. 32-bit fill span, colour = params.key: 0 stores it; 1 blendRgb (w); 3 paints it over
// (opaque colour at full opacity stored, transparent pixels receive it, opaque pixels
// blendRgbByAlpha, others over).
void fillSpan32(const SpanParams& p, uint8_t* dst, int32_t dstX, int32_t count);
// 2. 32-bit blend span (32-bit source): ops 0, 1, 2, 4, 5, 6, 8, 12, 13, 14, 22, 23.
void blendSpan32(const SpanParams& p, const uint8_t* src, int32_t srcX, uint8_t* dst, int32_t dstX,
                 int32_t count);
// 2a. The same over rows of count pixels, stride bytes apart in the source and the destination
// alike, whose source pixel i is pixel shift + i of the row at left continued by the row at
// right (a run across two tiles, say; right is not read when shift is 0): row by row the result
// of blendSpan32 on the two parts. Nothing is done unless 0 <= shift < count, rows >= 1 and
// stride >= 4 x count (or rows is 1).
struct JoinedRows {
  const uint8_t* left;
  const uint8_t* right;
  int32_t shift, count, rows;
  ptrdiff_t stride;
};
void blendSpan32Joined(const SpanParams& p, const JoinedRows& src, uint8_t* dst);
// 3. Coverage-to-colour span (8-bit coverage source onto 32-bit), colour = params.paint (0 is
// taken as opaque black), palette = params.palette (op 17; null does nothing): ops 4, 12, 13,
// 14, 17, 18, 20, 21, 22, 23.
void coverageSpan32(const SpanParams& p, const uint8_t* src, int32_t srcX, uint8_t* dst, int32_t dstX,
                    int32_t count);
// 4. Masked coverage-to-colour span, colour = params.paint as given: ops 12 and 23. Pixels
// whose coverage or mask is 0 are skipped.
void maskedCoverageSpan32(const SpanParams& p, const uint8_t* src, int32_t srcX, const uint8_t* mask,
                          int32_t maskX, uint8_t* dst, int32_t dstX, int32_t count);
// 5. Bit-to-colour span (1-bit source, srcBitX in bits), colour = params.paint: ops 0, 2, 3,
// 12, 13, 14, 22, 23. A set source bit selects the pixel (op 0 also writes white for clear bits).
void bitSpan32(const SpanParams& p, const uint8_t* src, int32_t srcBitX, uint8_t* dst, int32_t dstX,
               int32_t count);
// 6. Scaled (nearest) forms: destination pixel i reads source pixel (start16 + i * step16) >> 16
// (a bit index for the bit form), computed in 64 bits; the first and last positions must not be
// negative (otherwise nothing is done). Same arithmetic as the plain routines, for the ops
// blend 0, 4, 8, 12, 13, 14, 22, 23; coverage 12, 13, 14, 17, 18, 22, 23; bit 0, 3, 12, 13, 14,
// 22, 23. Other ops do nothing.
void blendSpan32Scaled(const SpanParams& p, const uint8_t* src, int32_t start16, int32_t step16,
                       uint8_t* dst, int32_t dstX, int32_t count);
void coverageSpan32Scaled(const SpanParams& p, const uint8_t* src, int32_t start16, int32_t step16,
                          uint8_t* dst, int32_t dstX, int32_t count);
void bitSpan32Scaled(const SpanParams& p, const uint8_t* src, int32_t start16, int32_t step16,
                     uint8_t* dst, int32_t dstX, int32_t count);
// 7. 8-bit blend span: ops 0, 1, 2, 4, 5 (key = low byte of params.key), 6, 7, 9, 11, 15 (paint
// value = low byte of params.paint).
void blendSpan8(const SpanParams& p, const uint8_t* src, int32_t srcX, uint8_t* dst, int32_t dstX,
                int32_t count);
// 8. Masked 8-bit span: ops 0, 4, 23 (mix8 towards the source, w = mask x opacity / 255) and
// 15 (paint value = low byte of params.paint).
void maskedSpan8(const SpanParams& p, const uint8_t* src, int32_t srcX, const uint8_t* mask, int32_t maskX,
                 uint8_t* dst, int32_t dstX, int32_t count);
// 9. 8-bit fill span (value = low byte of params.key): ops 0, 1, 2, 3, 7.
void fillSpan8(const SpanParams& p, uint8_t* dst, int32_t dstX, int32_t count);
// 10. Threshold span (8-bit source, srcX in bytes, to 1-bit destination, dstBitX in bits):
// 0 bit = (s >= 128); 2 sets bits where s >= 128; 7 clears them; 11 clears bits where s < 128.
// Masked form: 2 sets and 7 clears bits where both s and the mask are >= 128.
void thresholdSpan(const SpanParams& p, const uint8_t* src, int32_t srcX, uint8_t* dst, int32_t dstBitX,
                   int32_t count);
void maskedThresholdSpan(const SpanParams& p, const uint8_t* src, int32_t srcX, const uint8_t* mask,
                         int32_t maskX, uint8_t* dst, int32_t dstBitX, int32_t count);
// 11. 1-bit blit span with independent bit offsets: 0 copy, 1 AND, 2 OR, 3 XOR, 7 clear where
// the source bit is set. Only the destination bytes holding the count bits are touched.
void blitSpan1(const SpanParams& p, const uint8_t* src, int32_t srcBitX, uint8_t* dst, int32_t dstBitX,
               int32_t count);
// 12. 1-bit fill span (bit = low bit of params.key): 0 and 3 set the bits to it; 4 AND, 5 OR,
// 6 XOR with it.
void fillSpan1(const SpanParams& p, uint8_t* dst, int32_t dstBitX, int32_t count);
// 13. Anti-aliased span between xa and xb (any order) on a row of rowWidth pixels; colour
// params.paint (its low byte for the 8-bit row), weight params.opacity. Interior pixels get
// the opacity, the end pixels the covered fraction of it; opaque 32-bit pixels take blendRgb,
// others over; a run within one pixel takes over. Ends beyond the row are clamped to it; NaN
// ends draw nothing. False when nothing was drawn.
bool antialiasedSpan32(const SpanParams& p, uint8_t* row, int32_t rowWidth, double xa, double xb);
bool antialiasedSpan8(const SpanParams& p, uint8_t* row, int32_t rowWidth, double xa, double xb);

}  // namespace kanvo
