#include "app/BottomBar.h"

#include <algorithm>

#include "app/BrushPresets.h"
#include "app/HueColour.h"
#include "app/IconShapes.h"
#include "raster/pixel/PixelOps.h"

namespace kanvo {

namespace {

constexpr Color32 kBarBackground = 0xFFDCDCDCu;
constexpr Color32 kMarkColour = 0xFF2F6FD0u;

}  // namespace

void drawIcon(Image32& image, const Image32& icon, int32_t x, int32_t y, int opacity) {
  SpanParams over;
  over.op = kOpOver;
  over.opacity = uint8_t(opacity);
  image.blit(over, x, y, icon, 0, 0, icon.width(), icon.height());
}

void drawFrame(Image32& image, const Rect& r, Color32 colour, int opacity) {
  image.fillRect(r.x, r.y, r.width, 1, colour, opacity, kOpAnd);
  image.fillRect(r.x, r.bottom() - 1, r.width, 1, colour, opacity, kOpAnd);
  image.fillRect(r.x, r.y + 1, 1, r.height - 2, colour, opacity, kOpAnd);
  image.fillRect(r.right() - 1, r.y + 1, 1, r.height - 2, colour, opacity, kOpAnd);
}

BottomBar::Area BottomBar::areaAt(int32_t x) {
  const struct {
    Rect rect;
    Area area;
  } areas[] = {{kPaletteButton, Area::kPaletteButton}, {kColourStrip, Area::kColourStrip},
               {kUndoButton, Area::kUndo},            {kRedoButton, Area::kRedo},
               {kBrushButton, Area::kBrush},          {kPresets, Area::kPresets}};
  for (const auto& a : areas)
    if (a.rect.contains(x, 0)) return a.area;
  return Area::kNone;
}

int BottomBar::presetAt(int32_t x) {
  return kPresets.contains(x, 0) ? (x - kPresets.x) / kPresetWidth : -1;
}

bool BottomBar::buildStrip(Image32& strip) {
  if (!strip.resizeBuffer(kColourStrip.width, kColourStrip.height)) return false;
  for (int32_t x = 0; x < strip.width(); ++x) {
    const Color32 hue = hueColour(x * 3.6);
    for (int32_t y = 0; y < strip.height(); ++y) {
      Color32 c = hue;
      if (y < 15)
        blendRgb(c, kOpaqueWhite, 255 - 17 * y);
      else if (y > 15)
        blendRgb(c, kOpaqueBlack, 17 * (y - 15));
      strip.setPixel(x, y, c);
    }
  }
  return true;
}

void BottomBar::draw(Image32& bar, const State& state, const Image32& strip, const PanelIcons& icons) {
  bar.fill(kBarBackground);
  drawIcon(bar, icons.slot(PanelIcons::kPaletteButton), kPaletteButton.x, 0);
  if (state.paletteShown) drawFrame(bar, kPaletteButton, kMarkColour, 255);
  bar.copyFrom(strip, kColourStrip.x, kColourStrip.y);
  drawIcon(bar, icons.slot(PanelIcons::kUndo), kUndoButton.x, 0, state.canUndo ? 255 : 64);
  drawIcon(bar, icons.slot(PanelIcons::kRedo), kRedoButton.x, 0, state.canRedo ? 255 : 64);

  // The brush button: the background colour under a dab of the brush size in the foreground.
  const Rect b = kBrushButton;
  bar.fillRect(b.x + 3, b.y + 3, b.width - 6, b.height - 6, state.background);
  IconShapes dab;
  dab.disc(b.x + b.width / 2.0, b.y + b.height / 2.0, std::clamp(state.brushSize, 1.0, 22.0) / 2,
           state.foreground);
  dab.render(bar, 1.0);
  drawIcon(bar, icons.slot(PanelIcons::kBrushFrame), b.x, b.y);

  const int marked = nearestBrushPreset(state.brushSize);
  for (int i = 0; i < kBrushPresetCount; ++i) {
    const Rect cell(kPresets.x + i * kPresetWidth, 3, kPresetWidth, kPresetWidth);
    if (i == marked) bar.fillRect(cell.x, cell.y, cell.width, cell.height, 0xFFFFFFFFu);
    drawIcon(bar, icons.slot(PanelIcons::kFirstPreset + i), cell.x, cell.y);
    if (i == marked) drawFrame(bar, cell, kMarkColour, 255);
  }
}

}  // namespace kanvo
