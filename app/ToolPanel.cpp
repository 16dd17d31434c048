#include "app/ToolPanel.h"

#include <algorithm>

#include "app/BottomBar.h"
#include "app/ScreenLayout.h"
#include "raster/pixel/PixelOps.h"

namespace kanvo {

namespace {

constexpr Color32 kPanelBackground = 0xFFDCDCDCu;
constexpr Color32 kCurrentRow = 0xFFA9C8F0u;
constexpr Color32 kMarkColour = 0xFF2F6FD0u;

// The layer's thumbnail fitted into the box, over a checkerboard.
void drawThumbnail(Image32& panel, const Layer& layer, const Rect& box) {
  const Image32& picture = layer.thumbnail.picture();
  if (!picture.hasPixels() || picture.width() < 1 || picture.height() < 1) return;
  const double scale = std::min(double(box.width) / picture.width(), double(box.height) / picture.height());
  const int32_t w = std::max(1, int32_t(picture.width() * scale)), h = std::max(1, int32_t(picture.height() * scale));
  const int32_t x0 = box.x + (box.width - w) / 2, y0 = box.y + (box.height - h) / 2;
  panel.fillCheckerboard(x0, y0, w, h, 0xFFFFFFFFu, 0xFFD0D0D0u, 8, x0, y0);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) {
      Color32* p = panel.pixelAddress(x0 + x, y0 + y);
      if (p != nullptr) over(*p, picture.getPixel(int32_t(x / scale), int32_t(y / scale)), 255);
    }
  drawFrame(panel, Rect(x0 - 1, y0 - 1, w + 2, h + 2), kOpaqueBlack, 128);
}

}  // namespace

int ToolPanel::buttonAt(int32_t x, int32_t y) {
  if (x < 0 || x >= ScreenLayout::kPanelWidth || y < 0) return -1;
  const int index = x / kButtonSide + 2 * (y / kButtonSide);
  return index < kButtons ? index : -1;
}

int32_t ToolPanel::layerAt(int32_t y, int32_t layerCount) {
  if (y < kLayerRowsTop || y >= kLayerRowsTop + kLayerRows * kLayerRowHeight) return -1;
  const int32_t index = layerCount - (y - kLayerRowsTop) / kLayerRowHeight - 1;
  return index >= 0 ? index : -1;
}

int ToolPanel::antialiasAt(int32_t x, int32_t y) {
  if (y < kAntialiasTop || y >= kAntialiasTop + kAntialiasCell || x < 0) return -1;
  const int cell = x / kAntialiasCell;
  return cell == 0 ? 1 : cell == 1 ? 0 : -1;
}

void ToolPanel::draw(Image32& panel, const State& state, const Document& document, const PanelIcons& icons) {
  panel.fill(kPanelBackground);
  for (int i = 0; i < kButtons; ++i) {
    const Rect cell((i % 2) * kButtonSide, (i / 2) * kButtonSide, kButtonSide, kButtonSide);
    if (i == state.selectedButton) {
      drawIcon(panel, icons.slot(i), cell.x, cell.y, 255);
    } else {
      drawIcon(panel, icons.slot(i), cell.x, cell.y, 64);
      panel.fillRect(cell.x, cell.y, cell.width, cell.height, kOpaqueBlack, 48, kOpAnd);
    }
    drawFrame(panel, cell, kOpaqueBlack, 128);
  }

  const int32_t count = document.layerCount();
  for (int row = 0; row < kLayerRows; ++row) {
    const Rect r(0, kLayerRowsTop + row * kLayerRowHeight, ScreenLayout::kPanelWidth, kLayerRowHeight);
    const int32_t index = count - row - 1;
    const Layer* layer = document.layer(index);
    if (layer == nullptr) continue;
    if (index == document.currentLayerIndex()) panel.fillRect(r.x, r.y, r.width, r.height, kCurrentRow);
    drawThumbnail(panel, *layer, Rect(r.x + 3, r.y + 2, r.width - 6, r.height - 4));
    if (index == document.currentLayerIndex()) drawFrame(panel, r, kMarkColour, 255);
  }

  for (int cell = 0; cell < 2; ++cell) {
    const Rect r(cell * kAntialiasCell, kAntialiasTop, kAntialiasCell, kAntialiasCell);
    const bool active = (cell == 0) == state.antialias;
    if (active) panel.fillRect(r.x, r.y, r.width, r.height, 0xFFFFFFFFu);
    drawIcon(panel, icons.slot(cell == 0 ? PanelIcons::kAntialiasOn : PanelIcons::kAntialiasOff), r.x, r.y,
             active ? 255 : 64);
    drawFrame(panel, r, active ? kMarkColour : kOpaqueBlack, active ? 255 : 128);
  }
}

}  // namespace kanvo
