#pragma once
// Where the parts of the window go for a client area of width x height logical pixels: the
// colour palette (while shown) at the left, the canvas view, the tool panel at the right of the
// view, and the bottom bar under all of them.
//
//   palette     kPaletteWidth x (height - kBarHeight), at x 0
//   view        (width - kPanelWidth - palette width) x (height - kBarHeight), at x canvasX
//   tool panel  kPanelWidth x (height - kBarHeight), at x canvasX + view width
//   bottom bar  width x kBarHeight, at y view height
//
// A window smaller than the panels gives each part at least 1 x 1 pixel rather than a
// negative size.
#include <cstdint>

namespace kanvo {

struct ScreenLayout {
  static constexpr int32_t kPaletteWidth = 177;
  static constexpr int32_t kPanelWidth = 60;
  static constexpr int32_t kBarHeight = 30;

  int32_t clientWidth = 1, clientHeight = 1;
  bool paletteShown = false;
  int32_t canvasX = 0;               // 0, or the palette width while it is shown
  int32_t viewWidth = 1, viewHeight = 1;
  int32_t barWidth = 1;              // the bottom bar
  int32_t panelHeight = 1;           // the palette and the tool panel

  int32_t panelX() const { return canvasX + viewWidth; }  // the tool panel's left edge
  int32_t barY() const { return viewHeight; }

  static ScreenLayout of(int32_t width, int32_t height, bool paletteShown);
};

}  // namespace kanvo
