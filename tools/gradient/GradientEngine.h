#pragma once
// The gradient family of tool dispatch (tools/GradientTool.h): "Gradation" on the current raster
// layer, from the press point in the foreground colour to the release point in the background
// colour (or to transparency), with the shape, repeat and colour mode of the tool settings.
//
// The rectangle written is the whole store, or the selection's bounds moved into layer
// coordinates when something is selected (the ramp is then weighted by the mask); the undo step
// of the layer's depth is recorded for it before the change. 8 and 1 bpp layers ramp between
// the grey levels 255 minus the luminance of each colour (GradientRamp.h). Nothing happens
// while the document is busy (the flag is held while the ramp is written), without a current
// layer, on a hidden or locked layer, on a vector layer, or for a drag shorter than a pixel
// (the squared length truncated to a whole number is 0).
#include "document/Document.h"
#include "document/undo/UndoHistory.h"
#include "tools/GradientTool.h"
#include "tools/RedrawSink.h"
#include "tools/ToolSettings.h"

namespace kanvo {

class GradientEngine : public GradientTool {
 public:
  GradientEngine(Document& document, UndoHistory& history, const ToolSettings& settings)
      : document_(document), history_(history), settings_(settings) {}
  GradientEngine(const GradientEngine&) = delete;
  GradientEngine& operator=(const GradientEngine&) = delete;

  // The view's redraw; without one nothing is redrawn.
  void setRedrawSink(RedrawSink* sink) { sink_ = sink; }

  // from and to are canvas points. True when the layer changed (a step was recorded).
  bool draw(CanvasPoint from, CanvasPoint to) override;

 private:
  // Writes the ramp; shown receives the canvas rectangle to show again.
  bool drawOn(Layer& layer, CanvasPoint from, CanvasPoint to, Rect& shown);

  Document& document_;
  UndoHistory& history_;
  const ToolSettings& settings_;
  RedrawSink* sink_ = nullptr;
};

}  // namespace kanvo
