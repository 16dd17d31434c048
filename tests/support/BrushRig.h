#pragma once
// A brush engine wired to a document, history, settings, clock, seeded random source and a
// recording redraw sink, driven with canvas points, pressures and clock ticks; and the same
// engine behind tool dispatch and a view at zoom 1 (window point = canvas point). Also the
// dragged rectangle the shape and selection tools are given.
#include <algorithm>
#include <cstdint>
#include <vector>

#include "document/Document.h"
#include "document/undo/UndoHistory.h"
#include "raster/dab/RandomSource.h"
#include "strings/StringTable.h"
#include "support/ManualClock.h"
#include "support/RecordingSurface.h"
#include "tools/ToolSettings.h"
#include "tools/brush/BrushEngine.h"
#include "tools/dispatch/ToolMode.h"
#include "tools/dispatch/ToolState.h"
#include "tools/dispatch/ViewRedraw.h"
#include "view/View.h"

namespace kanvo::test {

struct RecordingSink : RedrawSink {
  void redrawCanvasRect(const Rect& rect) override { redrawn.push_back(rect); }
  void redrawAll() override {}
  std::vector<Rect> redrawn;
};

// The rectangle dragged from (x0, y0) to (x1, y1) in an unturned view.
inline DragRect dragRect(double x0, double y0, double x1, double y1) {
  return {{{{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}}}};
}

// One stylus event of a recorded stroke.
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
  RecordingSink sink;
  BrushEngine engine{doc, history, settings, random};
  double zoom = 1.0;  // the view's zoom the events carry

  explicit BrushRig(int32_t width = 256, int32_t height = 256, int32_t kind = kLayerKind32) {
    doc.newCanvas(width, height, kind);
    engine.setRedrawSink(&sink);
  }
  Layer& layer() { return *doc.currentLayer(); }
  int alphaAt(int32_t x, int32_t y) { return alphaOf(layer().pixels32.getPixel(x, y)); }

  ToolEvent event(double x, double y, double pressure = 1.0, uint32_t tick = 0) const {
    return ToolEvent{{x, y}, pressure, tick, 0, zoom};
  }
  // As dispatch presses: begin, then the press point as the first sample.
  bool press(int32_t subTool, double x, double y, double pressure = 1.0, uint32_t tick = 0) {
    const BrushStart start{event(x, y, pressure, tick), subTool};
    if (!engine.beginStroke(start)) return false;
    engine.addSample(start.event);
    return true;
  }
  void move(double x, double y, double pressure = 1.0, uint32_t tick = 0) { engine.addSample(event(x, y, pressure, tick)); }
  // Press at the first event, moves, and the release at the last one reporting pressure 0, as
  // a pen may.
  void stroke(const std::vector<StrokeEvent>& events, int32_t subTool = kToolBrush) {
    if (events.empty() || !press(subTool, events[0].x, events[0].y, events[0].pressure, events[0].tick)) return;
    for (size_t i = 1; i + 1 < events.size(); ++i) move(events[i].x, events[i].y, events[i].pressure, events[i].tick);
    engine.commitStroke(event(events.back().x, events.back().y, 0.0, events.back().tick));
  }
  // Samples 5 ms apart along a straight line.
  static std::vector<StrokeEvent> line(double x0, double y0, double x1, double y1, int samples) {
    std::vector<StrokeEvent> out;
    for (int i = 0; i < samples; ++i) {
      const double f = double(i) / std::max(samples - 1, 1);
      out.push_back({x0 + (x1 - x0) * f, y0 + (y1 - y0) * f, 1.0, uint32_t(1000 + 5 * i)});
    }
    return out;
  }
};

struct DispatchRig : BrushRig {
  DisplaySettings display;
  View view{doc, display};
  RecordingSurface surface;
  ViewRedraw redraw{view};
  ToolState state{doc, view, settings, &clock};

  // A window of the canvas's size unless one is given.
  DispatchRig(int32_t width, int32_t height, int32_t kind = kLayerKind32, int32_t windowWidth = -1,
              int32_t windowHeight = -1)
      : BrushRig(width, height, kind),
        surface(windowWidth < 0 ? width : windowWidth, windowHeight < 0 ? height : windowHeight) {
    view.setSurface(&surface);
    view.resize(surface.window.width(), surface.window.height());
    view.setOrigin(0, 0);
    view.invalidate();
    view.redraw();
    view.setOverlays(&engine.preview(), nullptr);
    engine.setRedrawSink(&redraw);
    ToolFamilies families;
    families.brush = &engine;
    state.setFamilies(families);
  }
  // Press, moves and release through dispatch, the clock set for each event.
  void stroke(const std::vector<StrokeEvent>& events, double releasePressure = 0.0) {
    for (size_t i = 0; i < events.size(); ++i) {
      clock.now = events[i].tick;
      const StylusEvent e{events[i].x, events[i].y, i + 1 < events.size() ? events[i].pressure : releasePressure, 0};
      if (i == 0) state.Press(e);
      if (i > 0 && i + 1 < events.size()) state.Move(e);
      if (i + 1 == events.size()) state.Release(e);
    }
  }
};

}  // namespace kanvo::test
