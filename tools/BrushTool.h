#pragma once
// The brush family as tool dispatch drives it: "Brush", "Dot Brush", "Stamp", "Eraser", the
// temporary eraser and the straight brush line. The brush engine implements it; dispatch owns
// no brush state beyond what it passes here, and without an engine the brush tools do nothing.
//
// One stroke, as dispatch calls it:
//   press   beginStroke(start) and, when that returned true, addSample(press event);
//   move    addSample(event) for every move while the button is down;
//   release commitStroke(release event).
// Events carry canvas points (ToolEvent.h: doubles, snapped when snapping is on, not yet made
// relative to the layer), the device's pressure unchanged (1.0 when it has none), the clock
// tick, the button (0 or 1; 1 paints with the eraser) and the view zoom (the sample filter
// measures distances in screen pixels). The engine redraws what it changes through the
// RedrawSink it was given, records its own undo step and marks the document changed.
#include <optional>

#include "tools/ToolEvent.h"

namespace kanvo {

// What a stroke or a straight line starts with.
struct BrushStart {
  ToolEvent event;
  int32_t subTool = 0;       // the brush category's sub-tool (ToolMode.h: 0 Brush, 1 Dot Brush, 2 Stamp, 3 Eraser)
  bool eraserKey = false;    // only "Z" is held: the stroke paints with the eraser whatever the sub-tool
};

class BrushTool {
 public:
  virtual ~BrushTool() = default;

  // Press in the brush category, called only when no key or only "Z" is held. Starts a stroke
  // on the current layer; false when none can start (no layer, a hidden or locked layer, no
  // brush parameters), and then dispatch sends no samples and no commit for this press.
  virtual bool beginStroke(const BrushStart& start) = 0;
  // The press point, then every move while the button is down, after beginStroke returned true.
  virtual void addSample(const ToolEvent& event) = 0;
  // Release: the release point as the last sample, the rest of the stroke drawn, one undo step
  // recorded, the view redrawn; the release point becomes the last brush point. True when a
  // step was recorded. Without an active stroke nothing happens (false).
  virtual bool commitStroke(const ToolEvent& event) = 0;
  // Shift+press in the brush category: "Brush (Straight)" from the last brush point to the
  // start point, which then becomes the last brush point. False (nothing drawn) without a last
  // brush point or on a layer that cannot be painted.
  virtual bool drawStraightLine(const BrushStart& to) = 0;
  // The end of the previous stroke or straight line; none before the first one.
  virtual std::optional<CanvasPoint> lastBrushPoint() const = 0;
  // Whether a stroke has begun and is not yet committed.
  virtual bool strokeActive() const = 0;
  // Ends an uncommitted stroke (a tool change, ResetStroke, focus loss, or an undo, redo or
  // document command arriving mid-stroke) by committing it as at a release: its paint stays
  // with its undo step, so that nothing is left changed without one and the next stroke does
  // not recompute over stale pixels. Its end becomes the last brush point.
  virtual void resetStroke() = 0;
};

}  // namespace kanvo
