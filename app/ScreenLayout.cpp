#include "app/ScreenLayout.h"

#include <algorithm>

namespace kanvo {

ScreenLayout ScreenLayout::of(int32_t width, int32_t height, bool paletteShown) {
  ScreenLayout l;
  l.clientWidth = std::max(width, 1);
  l.clientHeight = std::max(height, 1);
  l.paletteShown = paletteShown;
  l.canvasX = paletteShown ? kPaletteWidth : 0;
  l.viewWidth = std::max(int64_t(width) - kPanelWidth - l.canvasX, int64_t(1));
  l.viewHeight = std::max(int64_t(height) - kBarHeight, int64_t(1));
  l.barWidth = l.clientWidth;
  l.panelHeight = l.viewHeight;
  return l;
}

}  // namespace kanvo
