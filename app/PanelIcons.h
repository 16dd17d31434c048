#pragma once
// The pictures of the shell's panels, drawn in code (IconShapes) on transparent backgrounds:
// twenty-six slots, of which 8 to 11 stay empty.
//
//   0 ... 7   tool buttons (30 x 30): brush, eraser, move, bucket, filled rectangle,
//             rectangle selection, colour pick, hand
//   12, 13    undo and redo (30 x 30)
//   14, 15    palette button and brush button frame (30 x 30)
//   16, 17    anti-aliasing on and off (20 x 20)
//   18 ... 25 the eight brush-size presets (24 x 24), a disc of each size
//
// The program icon is described here too, so that the window, the installed PNG sizes and
// the scalable SVG all show the same picture.
#include <array>
#include <cstdint>

#include "app/IconShapes.h"
#include "raster/image/Image32.h"

namespace kanvo {

class PanelIcons {
 public:
  static constexpr int kSlots = 26;
  static constexpr int kUndo = 12, kRedo = 13, kPaletteButton = 14, kBrushFrame = 15;
  static constexpr int kAntialiasOn = 16, kAntialiasOff = 17, kFirstPreset = 18;

  // Draws every slot. False when memory cannot be had.
  bool build();
  const Image32& slot(int index) const { return slots_[size_t(index)]; }
  bool isEmpty(int index) const { return !slots_[size_t(index)].hasPixels(); }

  // The slot's picture (its side in design units is its pixel size); empty for slots 8 to 11.
  static IconShapes shapes(int index);
  static int32_t sideOf(int index);

 private:
  std::array<Image32, kSlots> slots_;
};

// The program's icon, in a design of kProgramIconSide units.
constexpr double kProgramIconSide = 32.0;
IconShapes programIcon();
// The program icon rendered at side x side pixels (false when memory cannot be had).
bool renderProgramIcon(Image32& image, int32_t side);

}  // namespace kanvo
