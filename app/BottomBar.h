#pragma once
// The bar under the canvas, kBarHeight (30) logical pixels high. Its buttons span the bar's
// height; x runs from the window's left edge:
//
//   palette button   0 ... 29    show or hide the colour palette
//   colour strip    45 ... 144   pick a colour by touch
//   undo           160 ... 189
//   redo           190 ... 219
//   brush          235 ... 264   the Choose Brush dialog
//   size presets   280 ... 471   eight brush sizes, 24 pixels each
//   status text    from 480      the tools' status line, drawn by the platform where it fits
//
// The colour strip is 100 x 30: column x has the hue x x 3.6 degrees (HueColour.h); rows 0 to
// 14 are blended (blendRgb) with white at 255 - 17 x row, row 15 is the pure hue, rows 16 to 29
// are blended with black at 17 x (row - 15).
#include <cstdint>

#include "app/PanelIcons.h"
#include "raster/image/Image32.h"
#include "raster/image/Rect.h"
#include "raster/pixel/Color32.h"

namespace kanvo {

class BottomBar {
 public:
  enum class Area { kNone, kPaletteButton, kColourStrip, kUndo, kRedo, kBrush, kPresets };

  static inline const Rect kPaletteButton{0, 0, 30, 30};
  static inline const Rect kColourStrip{45, 0, 100, 30};
  static inline const Rect kUndoButton{160, 0, 30, 30};
  static inline const Rect kRedoButton{190, 0, 30, 30};
  static inline const Rect kBrushButton{235, 0, 30, 30};
  static inline const Rect kPresets{280, 0, 192, 30};
  static constexpr int32_t kPresetWidth = 24;
  static constexpr int32_t kStatusX = 480;
  // A colour-strip drag follows the stylus only within this many pixels of its last point.
  static constexpr int32_t kPickReach = 20;

  // The area under bar x (any y of the bar).
  static Area areaAt(int32_t x);
  // The preset under bar x, -1 outside the presets.
  static int presetAt(int32_t x);

  // The 100 x 30 colour strip.
  static bool buildStrip(Image32& strip);

  // What the bar shows besides its fixed pictures.
  struct State {
    bool canUndo = false, canRedo = false;
    double brushSize = 5;
    Color32 foreground = kOpaqueBlack, background = kOpaqueWhite;
    bool paletteShown = false;
  };
  // Draws the whole bar (its image is the window's width x kBarHeight).
  static void draw(Image32& bar, const State& state, const Image32& strip, const PanelIcons& icons);
};

// Blits icon at (x, y) over the image at the opacity (straight-alpha over).
void drawIcon(Image32& image, const Image32& icon, int32_t x, int32_t y, int opacity = 255);
// A one-pixel frame of the rectangle, blended (blendRgb) at the opacity.
void drawFrame(Image32& image, const Rect& r, Color32 colour, int opacity);

}  // namespace kanvo
