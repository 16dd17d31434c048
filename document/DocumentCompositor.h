#pragma once
// The document compositor's building block, shared with any caller that blends a tiled store
// into a plain image the way the band compositor does.
//
// The store's pixel (0, 0) goes to (destX, destY) of the target; only the overlap is touched.
// Absent tiles are skipped, which is exact for the compositing operations (23, 13, 14, 22 and
// 12 of the blend, coverage and bit spans leave the destination unchanged where the source is
// 0); the operations 0, 11, 18 and 21 change pixels under empty sources and are refused
// (nothing is done).
#include <cstdint>

#include "document/Layer.h"
#include "raster/image/Image32.h"
#include "raster/span/SpanOps.h"
#include "raster/tiled/TiledImage.h"

namespace kanvo {

// 32 bpp store through blendSpan32.
void compositeStore(Image32& target, const SpanParams& params, int64_t destX, int64_t destY,
                    const TiledImage32& store);
// 8 bpp coverage through coverageSpan32 with params.paint.
void compositeStore(Image32& target, const SpanParams& params, int64_t destX, int64_t destY,
                    const TiledImage8& store);
// 1 bpp bits through bitSpan32 with params.paint.
void compositeStore(Image32& target, const SpanParams& params, int64_t destX, int64_t destY,
                    const TiledImage1& store);

// What both compositors draw of a layer, by its kind: its 32 bpp colour, its 8 bpp coverage,
// its 1 bpp bits (also an 8 bpp layer in tone mode, through its halftone image, unless
// coverageAsIs), its vector objects, or nothing (an unknown kind).
enum class CompositeSource : int32_t { kNothing, kColour32, kCoverage8, kBits1, kVector };
CompositeSource compositeSourceOf(const Layer& layer, bool coverageAsIs);

class Document;
// How many bands a compositor may composite at once, each on a thread of the worker pool: the
// pool's thread count, or 1 while a visible vector layer is drawn (the renderer belongs to the
// calling thread). Bands are independent, so the pixels never depend on it.
int32_t bandsAtOnce(const Document& document);

}  // namespace kanvo
