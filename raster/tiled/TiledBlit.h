#pragma once
// The region operations between tiled images (and plain buffers): every blit combination of
// source, destination and mask depth, each through its span routine.
//
// Common rules of every form:
// - The blit of width x height pixels from (sx, sy) of the source to (dx, dy) of the
//   destination is clipped against both sizes with clipBlit; false (nothing changed) when
//   nothing remains.
// - Each destination row is processed through the row protocol: the source row is read into
//   the source's row buffer, the destination row into the destination's (a plain buffer's rows
//   are used in place), the span routine runs with source offset sx and destination offset dx,
//   and the destination row is written back (an all-zero slice over an absent tile allocates
//   nothing). A tiled destination reaches the same pixels and tiles tile by tile, running the
//   span on each tile's rows in place with the source pixels read straight from its tiles.
// - A row whose tiled source holds no tile in the source range is skipped unless the op
//   changes the destination where the source is empty (codes 0, 11, 18 and 21); a plain
//   source never skips. In the masked forms a row whose mask holds no tile there is skipped
//   whatever the op.
// - The mask is an 8 bpp tiled image of exactly the source's size (otherwise false) and is
//   indexed like the source.
// - Source, mask and destination each need their own row buffer: a destination that is also
//   the source or the mask is refused (false, nothing changed).
//
// params carries the op, the opacity and, for the coverage and bit spans, the paint colour
// (params.paint) as SpanOps.h describes.
#include <cstdint>

#include "raster/image/Image1.h"
#include "raster/image/Image32.h"
#include "raster/span/SpanOps.h"
#include "raster/tiled/TiledImage.h"

namespace kanvo {

// 32 bpp tiled from 32 bpp tiled or Image32: blendSpan32.
bool blit(TiledImage32& dst, const SpanParams& params, int32_t dx, int32_t dy, const TiledImage32& src, int32_t sx,
          int32_t sy, int32_t width, int32_t height);
bool blit(TiledImage32& dst, const SpanParams& params, int32_t dx, int32_t dy, const Image32& src, int32_t sx,
          int32_t sy, int32_t width, int32_t height);
// 32 bpp tiled from 8 bpp coverage with the paint colour: coverageSpan32.
bool blit(TiledImage32& dst, const SpanParams& params, int32_t dx, int32_t dy, const TiledImage8& coverage,
          int32_t sx, int32_t sy, int32_t width, int32_t height);
// The same weighted by an 8 bpp mask: maskedCoverageSpan32.
bool blitMasked(TiledImage32& dst, const SpanParams& params, int32_t dx, int32_t dy, const TiledImage8& coverage,
                const TiledImage8& mask, int32_t sx, int32_t sy, int32_t width, int32_t height);

// Image32 from 32 bpp tiled (blendSpan32), from 8 bpp coverage with the paint colour
// (coverageSpan32) and from 1 bpp bits with the paint colour (bitSpan32).
bool blit(Image32& dst, const SpanParams& params, int32_t dx, int32_t dy, const TiledImage32& src, int32_t sx,
          int32_t sy, int32_t width, int32_t height);
bool blit(Image32& dst, const SpanParams& params, int32_t dx, int32_t dy, const TiledImage8& coverage, int32_t sx,
          int32_t sy, int32_t width, int32_t height);
bool blit(Image32& dst, const SpanParams& params, int32_t dx, int32_t dy, const TiledImage1& bits, int32_t sx,
          int32_t sy, int32_t width, int32_t height);

// 8 bpp tiled from 8 bpp tiled: blendSpan8; masked: maskedSpan8.
bool blit(TiledImage8& dst, const SpanParams& params, int32_t dx, int32_t dy, const TiledImage8& src, int32_t sx,
          int32_t sy, int32_t width, int32_t height);
bool blitMasked(TiledImage8& dst, const SpanParams& params, int32_t dx, int32_t dy, const TiledImage8& src,
                const TiledImage8& mask, int32_t sx, int32_t sy, int32_t width, int32_t height);

// 1 bpp tiled from 1 bpp tiled or Image1: blitSpan1.
bool blit(TiledImage1& dst, const SpanParams& params, int32_t dx, int32_t dy, const TiledImage1& src, int32_t sx,
          int32_t sy, int32_t width, int32_t height);
bool blit(TiledImage1& dst, const SpanParams& params, int32_t dx, int32_t dy, const Image1& src, int32_t sx,
          int32_t sy, int32_t width, int32_t height);
// 1 bpp tiled from 8 bpp tiled by threshold 128: thresholdSpan; masked: maskedThresholdSpan.
bool blit(TiledImage1& dst, const SpanParams& params, int32_t dx, int32_t dy, const TiledImage8& src, int32_t sx,
          int32_t sy, int32_t width, int32_t height);
bool blitMasked(TiledImage1& dst, const SpanParams& params, int32_t dx, int32_t dy, const TiledImage8& src,
                const TiledImage8& mask, int32_t sx, int32_t sy, int32_t width, int32_t height);

}  // namespace kanvo
