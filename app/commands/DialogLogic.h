#pragma once
// What the New, Resolution and Choose Brush dialogs compute, apart from their widgets.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "raster/image/Image32.h"

namespace kanvo {

// A canvas side typed into a dialog: decimal digits (blanks around them allowed) giving 1 ...
// Document::kMaxSide; anything else (0, negative, too large, overflowing, not a number) is
// nullopt.
std::optional<int32_t> parseSide(std::string_view text);

// The New dialog's sizes, kept for the whole run.
struct NewDialogValues {
  int32_t width = 640, height = 480;
  // OK: each text that reads as a side replaces its value; others keep the value from before.
  void accept(std::string_view widthText, std::string_view heightText);
};

// The Resolution dialog: the document's size it starts from, and the stored sizes it sets.
struct ResolutionDialogValues {
  int32_t width = 640, height = 480;    // stored, kept for the whole run
  int32_t documentWidth = 0, documentHeight = 0;  // set before each run
  bool keepAspect = true;
  // With keep aspect, the text for the other box after the user typed into one: trunc(value x
  // other side / this side) of the document, in 64 bits; nullopt when nothing is to be written
  // (keep aspect off, text not a positive number, or a result not above 0).
  std::optional<std::string> widthTyped(std::string_view text) const;
  std::optional<std::string> heightTyped(std::string_view text) const;
  void accept(std::string_view widthText, std::string_view heightText);
};

// Choose Brush: the track bar runs 2 ... 200, size = position x 0.5.
struct BrushDialogLogic {
  static constexpr int32_t kMinPosition = 2, kMaxPosition = 200;
  static int32_t clampPosition(int64_t position);
  // At the start: trunc(size x 2) (clamped to the bar).
  static int32_t startPosition(double size);
  // After a radio button chose a kind of this size: 2 x trunc(size) (clamped to the bar).
  static int32_t kindPosition(double size);
  static double sizeOf(int32_t position) { return position * 0.5; }
  // The preview's side for display scale s: trunc(50 x s).
  static int32_t previewSide(double scale);
};

// The Choose Brush preview: white, a black outline at opacity 128 round the edge, and an opaque
// black disc of radius r at the centre (trunc(width / 2), trunc(height / 2)). The image keeps its
// size (resize it first).
void drawBrushPreview(Image32& image, double radius);

// Paints a disc of radius r centred at (cx, cy) in colour (its alpha scaled by coverage) over
// image: nothing for r <= 0 or r > 250. Pixels whose corners lie all inside the circle (tested
// in 1/32 pixel) are full when r > 3; the rest by a 5 x 5 grid of samples.
void drawDisc(Image32& image, double cx, double cy, double r, uint32_t colour);

}  // namespace kanvo
