#pragma once
// Strokes of every brush kind replayed through tool dispatch onto a picture, as a new user would
// try them: the picture opened, its bottom layer painted with the pen, a pencil that follows the
// pressure, water colour, the eraser, the stamp, the dot brush and the further kinds, then every
// stroke undone. After each step shot(name) is called; the caller saves or checks the document.
#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "formats/DocumentOpener.h"
#include "support/BrushRig.h"

namespace kanvo::test {

struct BrushReplay : DispatchRig {
  BrushReplay() : DispatchRig(640, 480) {}

  // A wavy stroke from (x0, y) to (x1, y), pressure rising from 0.1 to 1 and falling again.
  static std::vector<StrokeEvent> wave(double x0, double x1, double y, double amplitude) {
    std::vector<StrokeEvent> out;
    const int n = 120;
    for (int i = 0; i < n; ++i) {
      const double f = double(i) / (n - 1);
      out.push_back({x0 + (x1 - x0) * f, y + amplitude * std::sin(f * 4 * M_PI), 0.1 + 0.9 * std::sin(f * M_PI),
                     uint32_t(1000 + 8 * i)});
    }
    return out;
  }

  // False when the picture could not be opened.
  bool run(const std::string& path, const std::function<void(const std::string&)>& shot) {
    if (openDocument(doc, path).isFailed()) return false;
    doc.selectLayer(0);
    view.resize(doc.width(), doc.height());
    view.setOrigin(0, 0);
    view.invalidate();
    view.redraw();
    shot("0-opened");
    struct Step {
      const char* name;
      int32_t subTool, kind;
      double size, alpha;
      bool alphaFollows;
    };
    const Step steps[] = {
        {"1-pen", kToolBrush, 0, 14, 1.0, false},         {"2-pencil", kToolBrush, 0, 6, 0.4, true},
        {"3-water-colour", kToolBrush, 2, 40, 1.0, false}, {"4-eraser", kToolEraser, 0, 30, 1.0, false},
        {"5-stamp", kToolStamp, 0, 36, 1.0, false},        {"6-dot-brush", kToolDotBrush, 0, 1, 1.0, false},
        {"7-airbrush", kToolBrush, 3, 30, 0.8, false},     {"8-dithered", kToolBrush, 4, 24, 0.5, false},
        {"9-mixing-colour", kToolBrush, 6, 30, 1.0, false},
    };
    double y = 30;
    for (const Step& step : steps) {
      state.mode.select(kCategoryBrush, step.subTool);
      BrushParams& brush = settings.attached();
      brush.kind = step.kind;
      brush.size = step.size;
      brush.alpha = step.alpha;
      brush.alphaFollowsPressure = step.alphaFollows;
      brush.stampOffsetX = -120;
      settings.options.bezierInterpolation = 1;
      settings.options.dotSize = 3;
      settings.setForeground(step.kind == 2 ? rgba(40, 90, 200) : rgba(200, 30, 60));
      stroke(wave(40, 600, y, 12));
      y += 48;
      shot(step.name);
    }
    while (history.undoLabel()) history.applyStep(0, doc);
    shot("10-undone");
    return true;
  }
};

}  // namespace kanvo::test
