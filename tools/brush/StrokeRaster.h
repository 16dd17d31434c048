#pragma once
// The raster side of one brush stroke: where its dabs go and how they reach the layer.
//
// Dab kinds: 0 round; 1 eraser; 2 paint mixing ("Water Color"); 3 airbrush (a soft-edged round
// dab with noise); 4 dithered round dab; 5 stamp; 6 mixing colour; 7 dot brush. Kinds 0, 1, 3,
// 4, 5 and 7 raise the stroke's coverage image by maximum, with the dab's opacity as the value,
// so that overlapping dabs never exceed it; after each segment the touched rectangle, grown by
// 2 pixels, is recomputed in the layer from the layer's copy from before the stroke:
//   32 bpp: op 23 (over) in the foreground colour, op 20 for the eraser; the stamp composes
//           the copy shifted by the stamp offset over the copy, weighted by the coverage; kind 6
//           composes the stroke colour image (mixing colour, coverage as alpha) with op 23. When
//           the layer's transparency is locked every kind but the eraser keeps each pixel's
//           alpha: op 12 instead of op 23, and the stamp blends colour only.
//   8 bpp:  op 15 toward 255 - luminance(foreground), op 7 for the eraser.
//   1 bpp:  bits set (op 2) where the coverage reaches 128, cleared (op 7) for the eraser.
// Kind 2 on a 32 bpp layer paints straight into the layer (paintPixel, or blendRgbByAlpha
// keeping alpha when transparency is locked) and composes nothing; on 8 and 1 bpp it paints as
// kind 0. The coverage image spans the layer's store; all rectangles here are store coordinates.
#include <cstdint>

#include "document/Layer.h"
#include "raster/dab/RandomSource.h"
#include "raster/image/Rect.h"
#include "raster/tiled/TiledImage.h"
#include "tools/brush/StrokeList.h"

namespace kanvo {

enum DabKind : int32_t {
  kDabRound = 0,
  kDabEraser = 1,
  kDabPaintMixing = 2,
  kDabAirbrush = 3,
  kDabDithered = 4,
  kDabStamp = 5,
  kDabMixingColour = 6,
  kDabDot = 7,
};

// What every segment of a stroke is drawn with.
struct DrawParams {
  Color32 foreground = kOpaqueBlack;
  Color32 background = kOpaqueWhite;
  uint8_t antialias = 1;
  uint8_t softEdge = 0;
  uint8_t dither = 0;
  int32_t dotSize = 1;
};

// The paint a mixing brush carries (kinds 2 and 6): red, green, blue as doubles, and its own
// colour, the foreground colour at the stroke start.
struct PaintMix {
  double red = 0, green = 0, blue = 0;
  Color32 own = kOpaqueBlack;
};

struct StrokeRaster {
  int32_t kind = kDabRound;
  Layer* layer = nullptr;        // the layer painted (not owned)
  int32_t depth = 32;            // 32, 8 or 1
  // The layer's pixels from before the stroke (the document's current copy of its depth).
  const TiledImage32* copy32 = nullptr;
  const TiledImage8* copy8 = nullptr;
  const TiledImage1* copy1 = nullptr;
  TiledImage8* coverage = nullptr;  // the stroke's coverage, the size of the store
  TiledImage32* colour = nullptr;   // kind 6: the mixing colour per pixel
  const TiledImage8* mask = nullptr;  // the selection mask (canvas size), or null
  int32_t offsetX = 0, offsetY = 0;  // the layer's offset: store + offset = canvas
  bool transparencyLocked = false;
  RandomSource* random = nullptr;
  int32_t stampOffsetX = 0, stampOffsetY = 0;
  PaintMix mix;

  double lastDabX = 0, lastDabY = 0;
  double lastIndex = 0;  // where the drawing of the samples has reached
  bool firstDab = true;
  int64_t dabs = 0;  // dabs drawn in this stroke
  Rect segment;   // dab boxes of the segment being drawn
  Rect touched;   // union of every rectangle recomputed or painted in this stroke

  uint32_t storeWidth() const { return layer ? layer->storeWidth() : 0; }
  uint32_t storeHeight() const { return layer ? layer->storeHeight() : 0; }
};

// Renders the samples from index first to last (a continuous parameter; the loop ends when it
// reaches last, or includes it when includeLast) as dabs, then composes the touched rectangle
// into the layer. Returns whether anything was drawn; the recomputed rectangle joins
// raster.touched and is returned in changed.
bool renderSegment(StrokeRaster& raster, const StrokeList& list, const DrawParams& params, double first, double last,
                   bool includeLast, Rect* changed = nullptr);

// The paint colour at the stroke start from the layer pixel under the first sample.
void startPaintMix(StrokeRaster& raster, Color32 own, Color32 pixelUnder);

}  // namespace kanvo
