#pragma once
// The bucket engine, the bucket family of tool dispatch (tools/BucketTool.h): a press fills
// the region around the pressed pixel on the current layer with the foreground colour.
//
// The region is the seed fill (SeedFill.h) at the tolerance of the tool options, over the
// document's composite or, when the options' sample source is not 0, over the current layer
// alone (RegionSample.h). It is laid into the layer as a filled shape is (tools/fill/
// MaskFill.h: selection, transparency lock, depth) under the undo step "Fill (Bucket)", and the
// changed rectangle is redrawn. Document::busy is set while the fill works, so that timers and
// redraws skip their work meanwhile; the redraw comes after it is cleared.
//
// Nothing happens (false) while the document is busy, without a current layer, on a hidden or
// locked layer, on a vector layer (the bucket has no vector form yet), for a point outside the
// canvas, or when memory runs out.
#include "document/Document.h"
#include "document/undo/UndoHistory.h"
#include "raster/tiled/TiledImage.h"
#include "tools/BucketTool.h"
#include "tools/RedrawSink.h"
#include "tools/ToolSettings.h"

namespace kanvo {

class BucketEngine : public BucketTool {
 public:
  // sink: the view's redraw; without one nothing is redrawn.
  BucketEngine(Document& document, UndoHistory& history, const ToolSettings& settings,
               RedrawSink* sink = nullptr);
  BucketEngine(const BucketEngine&) = delete;
  BucketEngine& operator=(const BucketEngine&) = delete;

  // Fills at the canvas pixel under the point. True when the layer changed.
  bool fill(CanvasPoint at) override;

 private:
  // The fill itself; the changed canvas rectangle (empty when nothing changed).
  Rect fillAt(Layer& layer, int32_t x, int32_t y);

  Document& document_;
  UndoHistory& history_;
  const ToolSettings& settings_;
  RedrawSink* sink_;
  TiledImage8 region_;  // the region of the fill in progress, empty in between
};

}  // namespace kanvo
