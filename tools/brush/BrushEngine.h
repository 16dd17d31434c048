#pragma once
// The brush engine: paint that follows the stylus on the current layer. A stroke starts at a
// press (beginStroke), grows with every move (addSample: the sample filter, smoothing, the
// segment that became final drawn as dabs and composed into the layer, the view told) and is
// committed at the release (commitStroke) as one undo step "Brush (" + layer name + ")".
// drawStraightLine paints "Brush (Straight)" from the last brush point.
//
// Points are canvas pixels (doubles); pressure is 0 ... 1 (clamped; 1 for a mouse); button 1
// (the pen's eraser end or barrel button) is the eraser mark. Samples whose position or
// pressure is not finite, or that lie beyond 2^24 pixels, are dropped.
//
// A stroke that is interrupted (a tool change, a reset of the dispatcher, focus loss, an undo,
// redo or any document command arriving mid-stroke) must be finished first with finishStroke,
// which commits it as at a release: its paint is kept with its undo step and the layer's copy
// is refreshed. The engine borrows everything it is given; the document's stroke images
// (strokeCoverage, strokeColour) are its working images while a stroke runs, sized to the
// layer's store, and are emptied at every stroke start.
#include <cstdint>
#include <string>

#include "document/Clock.h"
#include "document/Document.h"
#include "document/undo/UndoHistory.h"
#include "raster/dab/RandomSource.h"
#include "tools/ToolSettings.h"
#include "tools/brush/BrushCanvas.h"
#include "tools/brush/StrokeRaster.h"

namespace kanvo {

// The brush category's sub-tools (their values are the sub-tool word's).
enum class BrushTool : int32_t { kBrush = 0, kDotBrush = 1, kStamp = 2, kEraser = 3 };

struct StrokePoint {
  double x = 0.0, y = 0.0;  // canvas pixels
  double pressure = 1.0;
};

class BrushEngine {
 public:
  // Samples beyond this distance from the canvas origin are dropped.
  static constexpr double kMaxCoordinate = double(1 << 24);

  BrushEngine(Document& document, UndoHistory& history, ToolSettings& settings, const Clock& clock,
              RandomSource& random);
  BrushEngine(const BrushEngine&) = delete;
  BrushEngine& operator=(const BrushEngine&) = delete;

  // The view (zoom and redraw); without one the zoom is 1 and nothing is redrawn.
  void setCanvas(BrushCanvas* canvas) { canvas_ = canvas; }

  // Press: starts a stroke on the current layer with the point as its first sample. The engine
  // kind: the eraser tool, eraserKey (only "Z" held) or button 1 give the eraser; "Brush" the
  // attached set's kind; "Stamp" the stamp; "Dot Brush" the dot brush (the dot size copied into
  // the attached set). False, and nothing starts, on a hidden or locked layer or without a
  // layer. A stroke still running is finished first.
  bool beginStroke(BrushTool tool, bool eraserKey, const StrokePoint& point, int button = 0);
  // Move: adds a sample by the append rule and draws the segment that became final; true when
  // the sample was kept.
  bool addSample(const StrokePoint& point, int button = 0);
  // Release: the point is added as a last sample (with the last move's pressure), the rest is
  // drawn and the stroke recorded. False when no stroke was running.
  bool commitStroke(const StrokePoint& point);
  // Commits a running stroke as at a release, without a further sample; false when none runs.
  bool finishStroke();
  // "Brush (Straight)": a two-sample stroke from the last brush point to the point, drawn and
  // recorded at once; it becomes the last brush point. False without a last brush point, while
  // a stroke runs, or where a stroke could not start.
  bool drawStraightLine(BrushTool tool, const StrokePoint& to);

  bool strokeActive() const { return active_; }
  // The end of the last committed stroke or straight line, canvas pixels.
  bool hasLastBrushPoint() const { return hasLastPoint_; }
  double lastBrushX() const { return lastPointX_; }
  double lastBrushY() const { return lastPointY_; }
  const StrokeList& strokeList() const { return settings_.strokes; }
  const StrokeRaster& raster() const { return raster_; }
  const DrawParams& drawParams() const { return draw_; }

 private:
  bool start(BrushTool tool, bool eraserKey, int button, double firstX, double firstY);
  // Appends the sample when the rule keeps it (forced: always).
  bool append(const StrokePoint& point, int button, bool forced);
  void drawFinalSegment();
  // Renders the rest of the stroke and records it under the label.
  void commit(const std::string& label);
  // After the rectangle of the store changed: previews below zoom 1, then the view.
  void showChange(const Rect& rect);
  double zoom() const;

  Document& document_;
  UndoHistory& history_;
  ToolSettings& settings_;
  const Clock& clock_;
  RandomSource& random_;
  BrushCanvas* canvas_ = nullptr;

  StrokeRaster raster_;
  DrawParams draw_;
  bool active_ = false;
  bool painting_ = false;  // the stroke paints pixels (a raster layer)
  double lastPressure_ = 1.0;
  bool hasLastPoint_ = false;
  double lastPointX_ = 0.0, lastPointY_ = 0.0;
};

}  // namespace kanvo
