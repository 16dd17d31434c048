#include "app/Application.h"

#include <cmath>

#include "app/BottomBar.h"
#include "app/BrushPresets.h"
#include "app/HistoryBudget.h"
#include "app/LanguageChoice.h"
#include "app/ToolPanel.h"
#include "strings/Cp932.h"

namespace kanvo {

namespace {

constexpr int32_t kPaletteSize = 128;
constexpr int32_t kPaletteStripWidth = 24;
constexpr Color32 kPanelBackground = 0xFFDCDCDCu;
constexpr int kStartPreset = 2;

}  // namespace

Application::Application(const Clock* clock)
    : strings(languageFromEnvironment()),
      document(strings, clock),
      history(clock),
      tools(document, view, settings, clock) {
  tools.setKeyTable(&keys);
  brush.setRedrawSink(&redraw);
  gradient.setRedrawSink(&redraw);
  mover.setRedrawSink(&redraw);
  mover.setFloatingPart(&view.floatingPart());
  view.setOverlays(&brush.preview(), nullptr);
  ToolFamilies families;
  families.brush = &brush;
  families.shapes = &shapes;
  families.bucket = &bucket;
  families.gradient = &gradient;
  families.move = &mover;
  families.selections = &selections;
  tools.setFamilies(families);
}

bool Application::initialise() {
  BrushParams& pen = brushes_[kPen];
  pen.kind = 0;
  pen.size = pen.savedSize = 6.0;
  BrushParams& pencil = brushes_[kPencil];
  pencil.kind = 0;
  pencil.size = pencil.savedSize = 4.0;
  pencil.alpha = 0.4;
  pencil.alphaFollowsPressure = 1;
  BrushParams& water = brushes_[kWaterColor];
  water.kind = 2;
  water.size = water.savedSize = 40.0;
  settings.set(ToolSettings::kBrushSet) = pen;
  brushKind_ = kPen;
  setBrushKind(kPen);
  selectPreset(kStartPreset);

  if (!palette.initialise(kPaletteSize, kPaletteStripWidth, Rect(10, 10, kPaletteSize, kPaletteSize),
                          Rect(143, 10, kPaletteStripWidth, kPaletteSize)) ||
      !icons.build() || !BottomBar::buildStrip(colourStrip_))
    return false;
  if (document.newCanvas(kStartSide, kStartSide, kLayerKind32) == nullptr || document.addLayer32() == nullptr)
    return false;
  history.setMemoryBudget(historyBudget());
  return true;
}

BrushParams& Application::brushOfKind(int kind) {
  return kind == brushKind_ ? settings.set(ToolSettings::kBrushSet) : brushes_[size_t(kind)];
}

void Application::setBrushKind(int kind) {
  if (kind < 0 || kind >= kBrushKinds) return;
  if (kind != brushKind_) {
    brushes_[size_t(brushKind_)] = settings.set(ToolSettings::kBrushSet);
    settings.set(ToolSettings::kBrushSet) = brushes_[size_t(kind)];
    brushKind_ = kind;
  }
  settings.attachSet(ToolSettings::kBrushSet);
}

void Application::selectPreset(int index) {
  if (index < 0 || index >= kBrushPresetCount) return;
  settings.attached().size = settings.attached().savedSize = kBrushPresets[index];
}

void Application::setDeviceScale(double scale) {
  if (std::isfinite(scale) && scale > 0) deviceScale_ = scale;
}

void Application::layOut(int32_t width, int32_t height) {
  layout_ = ScreenLayout::of(width, height, layout_.paletteShown);
  // The picture stays where it is in the view (a resize moves only the view's edges); the
  // first layout centres the document.
  const CurvePoint corner = view.windowToCanvas(0, 0);
  view.resize(int32_t(std::lround(layout_.viewWidth * deviceScale_)),
              int32_t(std::lround(layout_.viewHeight * deviceScale_)));
  if (laidOut_)
    view.placeCanvasPointAt(corner, 0, 0);
  else
    view.centreDocument();
  laidOut_ = true;
  view.invalidate();
  view.redraw();
  paletteImage_.resizeBuffer(ScreenLayout::kPaletteWidth, layout_.panelHeight);
  barImage_.resizeBuffer(layout_.barWidth, ScreenLayout::kBarHeight);
  panelImage_.resizeBuffer(ScreenLayout::kPanelWidth, layout_.panelHeight);
  drawPanels();
}

void Application::togglePalette() {
  layout_.paletteShown = !layout_.paletteShown;
  layOut(layout_.clientWidth, layout_.clientHeight);
}

void Application::tick() {
  if (document.busy == 0) view.animateSelectionOutline(ticks++);
}

std::string Application::statusText() const { return cp932ToUtf8(tools.statusText()); }

std::string Application::title() const {
  const size_t slash = fileName.find_last_of('/');
  return std::to_string(int64_t(view.zoom() * 100)) + "% - " +
         (slash == std::string::npos ? fileName : fileName.substr(slash + 1));
}

void Application::drawPanels() {
  panelsDrawn_ = true;
  paletteImage_.fill(kPanelBackground);
  palette.paintInto(paletteImage_);
  BottomBar::State bar;
  bar.canUndo = history.canUndo();
  bar.canRedo = history.canRedo();
  bar.brushSize = settings.attached().size;
  bar.foreground = settings.foreground();
  bar.background = settings.background();
  bar.paletteShown = layout_.paletteShown;
  BottomBar::draw(barImage_, bar, colourStrip_, icons);
  // Layer rows show each layer as it is now (a stroke changes its store, not its thumbnail).
  for (int row = 0; row < ToolPanel::kLayerRows; ++row)
    if (Layer* layer = document.layer(document.layerCount() - 1 - row)) layer->rebuildThumbnail();
  ToolPanel::State panel;
  panel.selectedButton = routing.selectedToolButton;
  panel.antialias = settings.options.antialias != 0;
  ToolPanel::draw(panelImage_, panel, document, icons);
}

}  // namespace kanvo
