#include "app/InputRouting.h"

#include <algorithm>
#include <cmath>

#include "app/Application.h"
#include "app/BottomBar.h"
#include "app/HistoryCommands.h"
#include "app/StrokeTakeBack.h"
#include "app/ViewCommands.h"
#include "tools/dispatch/KeyCodes.h"
#include "tools/dispatch/ToolMode.h"
#include "app/ToolPanel.h"

namespace kanvo {

namespace {

int32_t whole(double v) { return int32_t(std::clamp(std::floor(v), -1e9, 1e9)); }

// The event as the tools take it: relative to the canvas area, in the view's device pixels.
StylusEvent forTools(Application& app, const PointerEvent& e) {
  const double s = app.deviceScale();
  StylusEvent out;
  out.x = (e.x - app.layout().canvasX) * s;
  out.y = e.y * s;
  out.pressure = e.pressure;
  out.button = e.button;
  app.routing.last = out;
  return out;
}

void updateCursor(Application& app) {
  if (DrawingSurface* surface = app.surface()) surface->setCursor(app.tools.CursorKind());
}

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

// The button's tool becomes current; the brush tools attach their parameter set (the eraser its
// own, the others the current brush kind's).
void selectToolButton(Application& app, int button) {
  const ToolChoice tool = app.routing.chooser.held(button);
  app.tools.mode.select(tool.category, tool.subTool);
  if (tool.category == kCategoryBrush) {
    if (tool.subTool == kToolEraser)
      app.settings.attachSet(ToolSettings::kEraserSet);
    else
      app.setBrushKind(app.brushKind());
  }
  app.routing.selectedToolButton = button;
}

void pressToolPanel(Application& app, int32_t px, int32_t y) {
  app.routing.panelPressed = true;
  const int button = ToolPanel::buttonAt(px, y);
  if (button >= 0) selectToolButton(app, button);
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

int toolButtonAt(const Application& app, double x, double y) {
  const ScreenLayout& l = app.layout();
  if (y >= l.viewHeight) return -1;
  return ToolPanel::buttonAt(whole(x) - l.panelX(), whole(y));
}

std::vector<ToolOffer> toolMenu(const Application& app, int button) {
  std::vector<ToolOffer> offers = ToolChooser::menu(button, app.strings);
  if (offers.size() < 2) offers.clear();
  return offers;
}

void chooseTool(Application& app, int button, ToolChoice tool) {
  if (!app.routing.chooser.choose(button, tool)) return;
  selectToolButton(app, button);
  app.drawPanels();
  updateCursor(app);
}

void finishShape(Application& app) {
  app.tools.finishShape();
  app.drawPanels();
}

void releaseKeys(Application& app) {
  app.routing.taps.cancel();
  for (int32_t k = 0; k < 256; ++k)
    if (app.keys[size_t(k)] != 0) keyUp(app, k);
}

void cancelStroke(Application& app) {
  takeBackStroke(app);
  app.drawPanels();
}

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
  // The tools first: they ignore points outside the canvas area.
  if (app.tools.Press(forTools(app, event)) & kResultColourPicked) app.palette.setColour(app.settings.foreground());
  // The palette's colour is taken only when the press starts a drag in its field or strip;
  // a press elsewhere keeps a colour picked from the canvas.
  if (app.paletteShown() && app.palette.press(x, y)) app.settings.setForeground(app.palette.colour());
  if (y >= l.barY()) pressBottomBar(app, x, y, result);
  if (x >= l.panelX() && x < l.panelX() + ScreenLayout::kPanelWidth && y >= 0 && y < l.viewHeight)
    pressToolPanel(app, x - l.panelX(), y);
  app.drawPanels();
  updateCursor(app);
  return result;
}

void stylusMove(Application& app, const PointerEvent& event) {
  const int32_t x = whole(event.x), y = whole(event.y);
  app.tools.Move(forTools(app, event));
  bool changed = false;
  if (app.paletteShown() && app.palette.dragging()) {
    app.palette.move(x, y);
    app.settings.setForeground(app.palette.colour());
    changed = true;
  }
  if (app.routing.colourPicking) changed = pickFromStrip(app, x, y, false) || changed;
  if (changed) app.drawPanels();
}

void stylusRelease(Application& app, const PointerEvent& event) {
  if (app.paletteShown()) app.palette.release();
  if (app.routing.colourPicking) app.palette.setColour(app.settings.foreground());
  app.routing.colourPicking = false;
  app.tools.Release(forTools(app, event));
  app.routing.panelPressed = false;
  app.drawPanels();
  updateCursor(app);
}

void keyDown(Application& app, int32_t key, bool autoRepeat) {
  KeyStateTable& held = app.keys;
  bool othersHeld = false;
  for (int32_t k = 0; k < 256; ++k) othersHeld = othersHeld || (k != (key & 255) && held[size_t(k)] != 0);
  app.routing.taps.keyDown(key, autoRepeat, othersHeld);
  held[size_t(key & 255)] = 1;
  app.tools.KeyDown(key);
  if (key == 'Q') redoStep(app);
  const bool modifier = held[keys::kControl] || held[keys::kAlt] || held[keys::kShift] || held[keys::kSpace];
  if (!modifier && key == 'D') {
    app.settings.setForeground(kOpaqueBlack);
    app.settings.setBackground(kOpaqueWhite);
  }
  if (!modifier && key == 'X') app.settings.swapColours();
  app.drawPanels();
  updateCursor(app);
}

void keyUp(Application& app, int32_t key) {
  app.keys[size_t(key & 255)] = 0;
  app.tools.KeyUp(key);
  app.drawPanels();
  updateCursor(app);
  if (app.routing.taps.keyUp(key)) {
    if (key == TapKeys::kUndoKey) undoStep(app);
    if (key == TapKeys::kZoomOutKey) zoomOutCommand(app);
  }
}

}  // namespace kanvo
