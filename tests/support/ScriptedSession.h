#pragma once
// A scripted session as a new user would try the view and the tools: open a picture, zoom in
// at a point, turn the view by 15 degrees, mirror it, scroll with the hand, drag a rectangle
// band. Each step's window (the presented picture with the overlays) goes to shot(name, window);
// the session's objects are handed to check(step) for the caller's own checks.
#include <functional>
#include <string>

#include "document/Document.h"
#include "formats/DocumentOpener.h"
#include "support/RecordingSurface.h"
#include "tools/ToolSettings.h"
#include "tools/dispatch/KeyCodes.h"
#include "tools/dispatch/ToolState.h"
#include "view/View.h"

namespace kanvo::test {

struct Session {
  static constexpr int32_t kWidth = 480, kHeight = 320;
  StringTable strings{kUiLanguageEnglish};
  Document doc{strings};
  DisplaySettings display;
  View view{doc, display};
  RecordingSurface surface{kWidth, kHeight};
  ToolSettings settings;
  ToolState state{doc, view, settings};
  Image32 window;

  // False when the file could not be opened.
  bool run(const std::string& path, const std::function<void(const std::string&, const Image32&)>& shot) {
    if (openDocument(doc, path).isFailed()) return false;
    view.setSurface(&surface);
    view.resize(kWidth, kHeight);
    view.setZoom(0.25);
    view.centreDocument();
    view.invalidate();
    view.redraw();
    auto take = [&](const std::string& name) {
      surface.snapshot(window);
      shot(name, window);
    };
    take("1-opened");
    state.mode.select(kCategoryView, kToolZoomIn);
    state.Press({300, 120});
    state.Release({300, 120});
    state.Press({300, 120});
    state.Release({300, 120});
    take("2-zoomed-at-point");
    state.KeyDown(keys::kShift);
    state.KeyDown(keys::kLeft);
    state.KeyUp(keys::kLeft);
    state.KeyUp(keys::kShift);
    take("3-turned-15");
    state.KeyDown(keys::kDown);
    state.KeyUp(keys::kDown);
    take("4-mirrored");
    state.mode.select(kCategoryShape, kToolFillRect);
    state.KeyDown(keys::kSpace);
    state.Press({240, 160});
    state.Move({260, 170});
    state.Move({300, 200});
    state.Release({300, 200});
    state.KeyUp(keys::kSpace);
    take("5-scrolled-with-hand");
    state.Press({120, 80});
    state.Move({200, 120});
    state.Move({330, 240});
    take("6-rectangle-band");
    state.Release({330, 240});
    take("7-released");
    return true;
  }
};

}  // namespace kanvo::test
