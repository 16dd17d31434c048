#pragma once
// The view compositor: the visible layers of a document, bottom to top, at the view's zoom,
// into the image that holds the canvas part of the picture. View::compositeLayers runs it over
// the background the view has drawn.
//
// Frame. Columns and rows are counted in the canvas frame: frame column u is screen column
// floor(originX) + u, so frame column 0 holds the canvas's left edge. Screen column X shows the
// canvas point its centre maps to, (X + 0.5 - originX) / zoom: a layer source whose pixel i
// covers canvas [x0 + s i, x0 + s (i + 1)) (s = 1 for the full store, 2^k for reduced level k)
// gives frame column u its pixel floor((u + 0.5 - t) / r), with t = frac(originX) + zoom x0 and
// the residual scale r = zoom x s; rows likewise. The result depends only on the frame position,
// never on the part being drawn: a partial composite equals the same area of a full one, and a
// whole-pixel change of the origin moves the picture by whole pixels.
//
// Sources. zoom above 0.5: the full store at residual zoom; 2^-(k+1) < zoom <= 2^-k for k = 1
// ... 5: reduced level k at residual zoom x 2^k; 1/64 and below: level 6. A layer whose reduced
// levels are missing is drawn from its full store. 32 bpp layers draw their colour, 8 bpp layers
// their coverage (in tone mode their halftone bits), 1 bpp layers their bits; reduced levels of
// bits are 8 bpp coverage. At residual 1.0 the source is blended at its integer position
// (compositeStore); otherwise through the scaled spans, 16.16 positions stepping from anchors
// fixed every 256 frame columns from the source's left edge.
//
// Operations: the view compositor's op of the blend mode (viewBlendOp) with the layer's opacity
// and colour. A 32 bpp layer in normal mode below opacity 255 is blended with op 12's formula
// for every pixel, opaque ones included (k = alpha x opacity / 255), so that its opacity shows.
#include <cstdint>

#include "document/Document.h"
#include "raster/image/Image32.h"
#include "view/FloatingPart.h"

namespace kanvo {

// Where a composite lands: canvasImage's pixel (0, 0) is frame column u0, row v0.
struct ViewFrame {
  double zoom = 1.0;
  double fracX = 0.0, fracY = 0.0;  // originX - floor(originX), the same for y
  int64_t u0 = 0, v0 = 0;
};

// The source a zoom draws from: level 0 the full store, 1 ... 6 a reduced level, and the
// residual scale (screen pixels per source pixel).
struct ViewSource {
  int32_t level = 0;
  double residual = 1.0;
};
ViewSource viewSourceFor(double zoom);

// Composites every visible layer of the document into canvasImage (which already holds the
// background). With useCurrentCopy the current 32 bpp layer is drawn from the document's
// currentCopy32 (full size) instead of its own store. Vector layers go through
// Document::drawVectorLayer at scale zoom.
// The layer a floating part was lifted from is drawn from the part's shown store (full size;
// an 8 bpp layer as coverage, also in tone mode) while floating is given and floats.
void compositeViewLayers(const Document& document, const ViewFrame& frame, Image32& canvasImage,
                         bool useCurrentCopy, const FloatingPart* floating = nullptr);

// The blend of a 32 bpp normal layer below opacity 255: op 12's formula for every source pixel,
// colour bytes (s.c k + d.c (255 - k)) / 255 with k = s.a x opacity / 255, destination alpha
// kept, nothing where k is 0. Scaled form: pixel i reads source pixel (start16 + i step16) >> 16.
void translucentReplaceColourScaled(const SpanParams& params, const uint8_t* src, int32_t start16, int32_t step16,
                                    uint8_t* dst, int32_t dstX, int32_t count);
// Op 13 (multiply) of a 32 bpp source in the scaled form, without divisions: the same bytes as
// blendSpan32Scaled with op 13.
void multiplyScaled(const SpanParams& params, const uint8_t* src, int32_t start16, int32_t step16, uint8_t* dst,
                    int32_t dstX, int32_t count);

}  // namespace kanvo
