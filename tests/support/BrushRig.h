#pragma once
// A document, history, tool settings, clock, random source and recording canvas wired to a
// brush engine, for driving strokes in tests with canvas points, pressures and clock ticks.
#include <cstdint>
#include <string>
#include <vector>

#include "document/Document.h"
#include "document/undo/UndoHistory.h"
#include "raster/dab/RandomSource.h"
#include "strings/StringTable.h"
#include "support/ManualClock.h"
#include "tools/ToolSettings.h"
#include "tools/brush/BrushEngine.h"

namespace kanvo::test {

class RecordingCanvas : public BrushCanvas {
 public:
  double zoom() const override { return zoomFactor; }
  void redrawCanvasRect(const Rect& rect) override { redrawn.push_back(rect); }
  double zoomFactor = 1.0;
  std::vector<Rect> redrawn;
};

// One stylus event of a recorded stroke: canvas point, pressure and the clock time.
struct StrokeEvent {
  double x, y, pressure;
  uint32_t tick;
};

struct BrushRig {
  StringTable strings{kUiLanguageEnglish};
  ManualClock clock;
  Document doc{strings, &clock};
  UndoHistory history{&clock};
  ToolSettings settings;
  SeededRandom random{12345};
  RecordingCanvas canvas;
  BrushEngine engine{doc, history, settings, clock, random};

  explicit BrushRig(int32_t width = 256, int32_t height = 256, int32_t kind = kLayerKind32) {
    doc.newCanvas(width, height, kind);
    engine.setCanvas(&canvas);
  }
  Layer& layer() { return *doc.currentLayer(); }

  // Press at the first event, moves through the rest, release at the last.
  void stroke(const std::vector<StrokeEvent>& events, BrushTool tool = BrushTool::kBrush, int button = 0) {
    if (events.empty()) return;
    clock.now = events.front().tick;
    engine.beginStroke(tool, false, {events.front().x, events.front().y, events.front().pressure}, button);
    for (size_t i = 1; i < events.size(); ++i) {
      clock.now = events[i].tick;
      engine.addSample({events[i].x, events[i].y, events[i].pressure}, button);
    }
    engine.commitStroke({events.back().x, events.back().y, 0.0});
  }
  // A straight run of samples from (x0, y0) to (x1, y1), 5 ms apart, at one pressure.
  static std::vector<StrokeEvent> line(double x0, double y0, double x1, double y1, int samples,
                                       double pressure = 1.0) {
    std::vector<StrokeEvent> out;
    for (int i = 0; i < samples; ++i) {
      const double f = samples > 1 ? double(i) / (samples - 1) : 0.0;
      out.push_back({x0 + (x1 - x0) * f, y0 + (y1 - y0) * f, pressure, uint32_t(1000 + 5 * i)});
    }
    return out;
  }
};

}  // namespace kanvo::test
