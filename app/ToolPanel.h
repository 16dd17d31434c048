#pragma once
// The panel at the right of the canvas, kPanelWidth (60) logical pixels wide. y runs from the
// window's top, x from the panel's left edge:
//
//   tool buttons     y 0 ... 119     2 columns x 4 rows of 30 x 30; index = column + 2 x row
//   layer rows       y 145 ... 244   5 rows of 20; row 0 shows the topmost layer
//   anti-alias cells y 280 ... 299   two cells of 20: on, off
#include <cstdint>

#include "app/PanelIcons.h"
#include "document/Document.h"
#include "raster/image/Image32.h"

namespace kanvo {

class ToolPanel {
 public:
  static constexpr int kButtons = 8;
  static constexpr int32_t kButtonSide = 30;
  static constexpr int32_t kLayerRowsTop = 145;
  static constexpr int32_t kLayerRowHeight = 20;
  static constexpr int kLayerRows = 5;
  static constexpr int32_t kAntialiasTop = 280;
  static constexpr int32_t kAntialiasCell = 20;

  // The tool button under (x, y), -1 for none.
  static int buttonAt(int32_t x, int32_t y);
  // The layer the row under y shows (layer count - row - 1), -1 outside the rows or on a
  // row with no layer.
  static int32_t layerAt(int32_t y, int32_t layerCount);
  // The anti-alias cell under (x, y): 1 (on), 0 (off), -1 for neither.
  static int antialiasAt(int32_t x, int32_t y);

  struct State {
    int selectedButton = 0;
    bool antialias = true;
  };
  // Draws the panel (its image is kPanelWidth x the view's height). The layer rows show each
  // layer's thumbnail as it stands.
  static void draw(Image32& panel, const State& state, const Document& document, const PanelIcons& icons);
};

}  // namespace kanvo
