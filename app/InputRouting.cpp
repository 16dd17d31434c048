#include "app/InputRouting.h"

#include <cmath>

#include "app/Application.h"
#include "app/BottomBar.h"
#include "app/ToolPanel.h"

namespace kanvo {

namespace {

int32_t whole(double v) { return int32_t(std::floor(v)); }

}  // namespace

PressResult stylusPress(Application& app, const PointerEvent& event) {
  const int32_t x = whole(event.x), y = whole(event.y);
  const ScreenLayout& l = app.layout();
  PressResult result = PressResult::kNone;
  if (app.paletteShown() && app.palette.press(x, y)) app.settings.setForeground(app.palette.colour());
  if (y >= l.barY()) {
    switch (BottomBar::areaAt(x)) {
      case BottomBar::Area::kBrush: result = PressResult::kBrushButton; break;
      case BottomBar::Area::kPaletteButton:
        result = PressResult::kPaletteButton;
        app.togglePalette();
        break;
      case BottomBar::Area::kPresets: app.selectPreset(BottomBar::presetAt(x)); break;
      default: break;
    }
  }
  if (x >= l.panelX() && x < l.panelX() + ScreenLayout::kPanelWidth && y >= 0 && y < l.viewHeight) {
    const int32_t px = x - l.panelX();
    const int button = ToolPanel::buttonAt(px, y);
    if (button >= 0) app.selectedToolButton = button;
    const int32_t layer = ToolPanel::layerAt(y, app.document.layerCount());
    if (layer >= 0) app.document.selectLayer(layer);
    const int antialias = ToolPanel::antialiasAt(px, y);
    if (antialias >= 0) app.settings.options.antialias = uint8_t(antialias);
  }
  app.drawPanels();
  return result;
}

void stylusMove(Application& app, const PointerEvent& event) {
  const int32_t x = whole(event.x), y = whole(event.y);
  if (app.paletteShown() && app.palette.dragging()) {
    app.palette.move(x, y);
    app.settings.setForeground(app.palette.colour());
    app.drawPanels();
  }
}

void stylusRelease(Application& app, const PointerEvent&) {
  if (app.paletteShown()) app.palette.release();
  app.drawPanels();
}

void keyDown(Application&, int32_t, bool) {}

void keyUp(Application&, int32_t) {}

}  // namespace kanvo
