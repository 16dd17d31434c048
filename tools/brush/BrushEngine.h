#pragma once
// The brush engine, the brush family of tool dispatch (tools/BrushTool.h): paint that follows
// the stylus on the current layer. A stroke starts at a press (beginStroke), grows with every
// sample (addSample: the sample filter, smoothing, the segment that became final drawn as dabs
// and composed into the layer, the view told) and is committed at the release (commitStroke)
// as one undo step "Brush (" + layer name + ")". drawStraightLine paints "Brush (Straight)"
// from the last brush point.
//
// Events carry canvas pixels (doubles), a pressure (clamped to 0 ... 1), the clock tick and
// the button (1, the pen's eraser end or barrel button, is the eraser mark). Samples whose
// position or pressure is not finite, or that lie beyond 2^24 pixels, are dropped.
//
// A stroke that is interrupted (a tool change, a reset of the dispatcher, focus loss, an undo,
// redo or any document command arriving mid-stroke) must be ended first with resetStroke,
// which commits it as at a release: its paint is kept with its undo step and the layer's copy
// is refreshed. The engine borrows everything it is given; the document's stroke images
// (strokeCoverage, strokeColour) are its working images while a stroke runs, sized to the
// layer's store, and are emptied at every stroke start.
//
// On a vector layer no pixels are painted: the samples are kept (vectorStroke, from the
// release until the next stroke starts, for the vector tools to turn into a stroke object) and
// the preview disc (BrushPreview.h, the view's tool overlay) follows the stylus until the
// release. With a guide set (setGuide), the samples of a stroke follow it (StrokeGuide.h).
#include <cstdint>
#include <optional>
#include <string>

#include "document/Document.h"
#include "document/undo/UndoHistory.h"
#include "raster/dab/RandomSource.h"
#include "tools/BrushTool.h"
#include "tools/RedrawSink.h"
#include "tools/ToolSettings.h"
#include "tools/brush/BrushPreview.h"
#include "tools/brush/StrokeGuide.h"
#include "tools/brush/StrokeRaster.h"

namespace kanvo {

class BrushEngine : public BrushTool {
 public:
  // Samples beyond this distance from the canvas origin are dropped.
  static constexpr double kMaxCoordinate = double(1 << 24);

  BrushEngine(Document& document, UndoHistory& history, ToolSettings& settings, RandomSource& random);
  BrushEngine(const BrushEngine&) = delete;
  BrushEngine& operator=(const BrushEngine&) = delete;

  // The view's redraw; without one nothing is redrawn.
  void setRedrawSink(RedrawSink* sink) { sink_ = sink; }

  // Press: starts a stroke on the current layer (the first sample comes with addSample). The
  // engine kind: the "Eraser" sub-tool, eraserKey (only "Z" held) or button 1 give the eraser;
  // "Brush" the attached set's kind; "Stamp" the stamp; "Dot Brush" the dot brush (the dot size
  // copied into the attached set). False, and nothing starts, without a layer or on a hidden or
  // locked one. A stroke still running is committed first.
  bool beginStroke(const BrushStart& start) override;
  // Adds the sample by the append rule (the event's zoom turns distances into screen pixels)
  // and draws the segment that became final.
  void addSample(const ToolEvent& event) override;
  // Release: the point is added as a last sample with the last sample's pressure (a pen's
  // release may report 0), the rest is drawn and the stroke recorded. True when a step was
  // recorded.
  bool commitStroke(const ToolEvent& event) override;
  // "Brush (Straight)": a two-sample stroke at full pressure from the last brush point to the
  // point, both ends included, drawn and recorded at once; the point becomes the last brush
  // point. False without a last brush point, while a stroke runs, or where none can start.
  bool drawStraightLine(const BrushStart& to) override;
  std::optional<CanvasPoint> lastBrushPoint() const override { return lastPoint_; }
  bool strokeActive() const override { return active_; }
  // An interrupted stroke is committed as at a release, without a further sample: its paint
  // stays with its undo step, and the layer's copy, from which the next stroke recomputes its
  // rectangles, is refreshed.
  void resetStroke() override { finish(); }

  // The samples of the running stroke, its raster state and draw parameters.
  const StrokeList& strokeList() const { return settings_.strokes; }
  const StrokeRaster& raster() const { return raster_; }

  // The guide the samples of the next strokes follow (kind kGuideNone: none).
  void setGuide(const StrokeGuide& guide) { guide_ = guide; }
  const StrokeGuide& guide() const { return guide_; }
  // The samples of the last stroke on a vector layer (layer coordinates), with the release
  // sample last; empty once another stroke starts.
  const std::vector<StrokeSample>& vectorStroke() const { return vectorStroke_; }
  // The disc shown while a stroke runs on a vector layer: the view's tool overlay.
  BrushPreview& preview() { return preview_; }

 private:
  bool start(const BrushStart& start);
  // Appends the sample when the rule keeps it (forced: always); true when appended.
  bool append(const ToolEvent& event, bool forced);
  void drawFinalSegment();
  // Commits a running stroke; true when a step was recorded.
  bool finish();
  // Renders the rest of the stroke and records it under the label; true when recorded.
  bool commit(const std::string& label, bool includeLast);
  // After the rectangle of the store changed: previews below zoom 1, then the view.
  void showChange(const Rect& rect);
  // Shows the preview disc at the last sample of a stroke that paints no pixels.
  void showPreview();
  void redraw(const Rect& canvasRect);

  Document& document_;
  UndoHistory& history_;
  ToolSettings& settings_;
  RandomSource& random_;
  RedrawSink* sink_ = nullptr;

  StrokeRaster raster_;
  DrawParams draw_;
  bool active_ = false;
  bool painting_ = false;  // the stroke paints pixels (a raster layer)
  double zoom_ = 1.0;      // the view's zoom at the last event
  double lastPressure_ = 1.0;
  std::optional<CanvasPoint> lastPoint_;
  StrokeGuide guide_;
  bool guided_ = false;  // the running stroke follows the guide (a straight line does not)
  BrushPreview preview_;
  std::vector<StrokeSample> vectorStroke_;
};

}  // namespace kanvo
