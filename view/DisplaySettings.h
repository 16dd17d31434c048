#pragma once
// What the user chose about the display of the canvas, shared by the view and the shell's
// commands.
#include <cstdint>

namespace kanvo {

struct DisplaySettings {
  // 1: transparent parts of the canvas show a checkerboard; 0: white paper.
  uint8_t transparencyDisplay = 1;
  // 1: ruler strips along the top and left of the picture.
  uint8_t rulers = 0;
  // The selection outline animates only while this byte is 1 and the mode is 1 or 3.
  uint8_t outlineShown = 1;
  int32_t outlineMode = 1;

  bool outlineAllowed() const { return outlineShown == 1 && (outlineMode == 1 || outlineMode == 3); }
};

}  // namespace kanvo
