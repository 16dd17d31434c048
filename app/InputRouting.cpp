#include "app/InputRouting.h"

#include <algorithm>
#include <cmath>

#include "app/Application.h"
#include "app/BottomBar.h"
#include "app/HistoryCommands.h"
#include "app/ViewCommands.h"
#include "app/ToolPanel.h"

namespace kanvo {

namespace {

constexpr int32_t kKeyShift = 16, kKeyCtrl = 17, kKeyAlt = 18, kKeySpace = 32;

int32_t whole(double v) { return int32_t(std::clamp(std::floor(v), -1e9, 1e9)); }

// The colour-strip pick at bar point (x, y): follows the stylus only within reach of its last
// point; a first pick must lie on the strip, later ones are clamped into it. True when the
// point lies on the strip.
bool pickFromStrip(Application& app, int32_t x, int32_t y, bool first) {
  Application::Routing& r = app.routing;
  if (std::abs(x - r.lastPickX) > BottomBar::kPickReach || std::abs(y - r.lastPickY) > BottomBar::kPickReach)
    return false;
  r.lastPickX = x;
  r.lastPickY = y;
  const Rect& strip = BottomBar::kColourStrip;
  int32_t sx = x - strip.x, sy = y - app.layout().barY();
  const bool on = sx >= 0 && sx < strip.width && sy >= 0 && sy < strip.height;
  if (first && !on) return false;
  sx = std::clamp(sx, 0, strip.width - 1);
  sy = std::clamp(sy, 0, strip.height - 1);
  app.settings.setForeground(app.colourStrip().getPixel(sx, sy));
  return on;
}

void pressBottomBar(Application& app, int32_t x, int32_t y, PressResult& result) {
  switch (BottomBar::areaAt(x)) {
    case BottomBar::Area::kUndo: undoStep(app); break;
    case BottomBar::Area::kRedo: redoStep(app); break;
    case BottomBar::Area::kBrush: result = PressResult::kBrushButton; break;
    case BottomBar::Area::kPaletteButton:
      result = PressResult::kPaletteButton;
      app.togglePalette();
      break;
    case BottomBar::Area::kColourStrip:
      app.routing.lastPickX = x;
      app.routing.lastPickY = y;
      app.routing.colourPicking = pickFromStrip(app, x, y, true);
      break;
    case BottomBar::Area::kPresets: app.selectPreset(BottomBar::presetAt(x)); break;
    case BottomBar::Area::kNone: break;
  }
}

void pressToolPanel(Application& app, int32_t px, int32_t y) {
  app.routing.panelPressed = true;
  const int button = ToolPanel::buttonAt(px, y);
  if (button >= 0) app.routing.selectedToolButton = button;
  const int32_t layer = ToolPanel::layerAt(y, app.document.layerCount());
  if (layer >= 0) app.document.selectLayer(layer);
  const int antialias = ToolPanel::antialiasAt(px, y);
  if (antialias >= 0) app.settings.options.antialias = uint8_t(antialias);
}

// Window points (logical) as the view's window points (device pixels of the canvas area).
TwoFingerGesture::Fingers inView(const Application& app, TwoFingerGesture::Fingers f) {
  const double s = app.deviceScale(), x0 = app.layout().canvasX;
  return {(f.x0 - x0) * s, f.y0 * s, (f.x1 - x0) * s, f.y1 * s};
}

}  // namespace

void releaseKeys(Application& app) {
  app.routing.taps.cancel();
  for (int32_t k = 0; k < 256; ++k)
    if (app.keys[size_t(k)] != 0) keyUp(app, k);
}

void cancelStroke(Application& app) { app.drawPanels(); }

void twoFingersBegin(Application& app, const TwoFingerGesture::Fingers& fingers) {
  const TwoFingerGesture::Fingers f = inView(app, fingers);
  app.routing.gesture.begin(f, app.view.zoom(), app.view.transform().angle);
  app.routing.gestureAnchor = app.view.windowToCanvas(f.midX(), f.midY());
}

void twoFingersMove(Application& app, const TwoFingerGesture::Fingers& fingers) {
  const TwoFingerGesture::Fingers f = inView(app, fingers);
  View& view = app.view;
  const ViewTransform& t = view.transform();
  view.setZoom(app.routing.gesture.zoomFor(f, t.zoomSteps));
  view.setAngle(app.routing.gesture.angleFor(f, t.isMirrored()));
  view.placeCanvasPointAt(app.routing.gestureAnchor, f.midX(), f.midY());
  view.invalidate();
  view.redraw();
}

PressResult stylusPress(Application& app, const PointerEvent& event) {
  const int32_t x = whole(event.x), y = whole(event.y);
  const ScreenLayout& l = app.layout();
  app.routing.taps.stylusPressed();
  PressResult result = PressResult::kNone;
  // The palette's colour is taken only when the press starts a drag in its field or strip;
  // a press elsewhere keeps a colour picked from the canvas.
  if (app.paletteShown() && app.palette.press(x, y)) app.settings.setForeground(app.palette.colour());
  if (y >= l.barY()) pressBottomBar(app, x, y, result);
  if (x >= l.panelX() && x < l.panelX() + ScreenLayout::kPanelWidth && y >= 0 && y < l.viewHeight)
    pressToolPanel(app, x - l.panelX(), y);
  app.drawPanels();
  return result;
}

void stylusMove(Application& app, const PointerEvent& event) {
  const int32_t x = whole(event.x), y = whole(event.y);
  bool changed = false;
  if (app.paletteShown() && app.palette.dragging()) {
    app.palette.move(x, y);
    app.settings.setForeground(app.palette.colour());
    changed = true;
  }
  if (app.routing.colourPicking) changed = pickFromStrip(app, x, y, false) || changed;
  if (changed) app.drawPanels();
}

void stylusRelease(Application& app, const PointerEvent&) {
  if (app.paletteShown()) app.palette.release();
  if (app.routing.colourPicking) app.palette.setColour(app.settings.foreground());
  app.routing.colourPicking = false;
  app.routing.panelPressed = false;
  app.drawPanels();
}

void keyDown(Application& app, int32_t key, bool autoRepeat) {
  KeyStateTable& keys = app.keys;
  bool othersHeld = false;
  for (int32_t k = 0; k < 256; ++k) othersHeld = othersHeld || (k != (key & 255) && keys[size_t(k)] != 0);
  app.routing.taps.keyDown(key, autoRepeat, othersHeld);
  keys[size_t(key & 255)] = 1;
  if (key == 'Q') redoStep(app);
  const bool modifier = keys[kKeyCtrl] || keys[kKeyAlt] || keys[kKeyShift] || keys[kKeySpace];
  if (!modifier && key == 'D') {
    app.settings.setForeground(kOpaqueBlack);
    app.settings.setBackground(kOpaqueWhite);
  }
  if (!modifier && key == 'X') app.settings.swapColours();
  app.drawPanels();
}

void keyUp(Application& app, int32_t key) {
  app.keys[size_t(key & 255)] = 0;
  app.drawPanels();
  if (app.routing.taps.keyUp(key)) {
    if (key == TapKeys::kUndoKey) undoStep(app);
    if (key == TapKeys::kZoomOutKey) zoomOutCommand(app);
  }
}

}  // namespace kanvo
