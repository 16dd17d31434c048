#pragma once
// The colour chooser beside the canvas: a square saturation-value field and a vertical hue
// strip. Dragging in the strip chooses the hue (red at the top, then magenta, blue, cyan,
// green and yellow downwards); dragging in the field chooses saturation (growing to the right)
// and brightness (falling downwards). It can also be set from a colour, taking the nearest
// field position.
//
// Points are in the coordinates of the palette's panel image; the field and strip rectangles
// are given to initialise. All pixel arithmetic is the raster core's: "blend" is blendRgb, the
// mix along a row is lerpRgb.
#include <cstdint>

#include "raster/image/Image32.h"
#include "raster/image/Rect.h"
#include "raster/pixel/Color32.h"

namespace kanvo {

class ColorPalette {
 public:
  // Sizes the images (field size x size, strip stripWidth x size), builds the strip and the
  // marker, resets the position and draws. False when memory cannot be had.
  bool initialise(int32_t size, int32_t stripWidth, const Rect& field, const Rect& strip);

  // Strip row 0 (red), field column 0 and row size - 1 (black); draws with the field rebuilt.
  void reset();

  // A point inside the field starts a field drag, inside the strip a strip drag; then as move.
  // True when a drag started.
  bool press(int32_t x, int32_t y);
  // The point relative to the field, clamped to the field each way, becomes the field
  // position during a field drag or gives the strip row during a strip drag.
  void move(int32_t x, int32_t y);
  void release() { draggingField_ = draggingStrip_ = false; }
  bool dragging() const { return draggingField_ || draggingStrip_; }

  // The field pixel at the field position, opaque.
  Color32 colour() const;
  // Takes the strip row of the colour's hue (row 0 for a grey) and the field position nearest
  // the colour (squared RGB distance; the first in row order among equals).
  void setColour(Color32 colour);
  // Redraws the display images; the field is rebuilt for the current hue when asked or
  // during a strip drag.
  void draw(bool rebuild);

  // Draws the field and the strip as displayed into the panel image at their rectangles.
  void paintInto(Image32& panel) const;

  int32_t size() const { return size_; }
  int32_t stripRow() const { return stripRow_; }
  int32_t fieldX() const { return fieldX_; }
  int32_t fieldY() const { return fieldY_; }
  const Rect& fieldRect() const { return fieldRect_; }
  const Rect& stripRect() const { return stripRect_; }
  const Image32& field() const { return field_; }
  const Image32& strip() const { return strip_; }
  const Image32& fieldShown() const { return fieldShown_; }
  const Image32& stripShown() const { return stripShown_; }

  // The field for a hue colour (size x size), as the palette builds it.
  static void buildField(Image32& field, Color32 hue);
  // The strip (width x size): row y is the hue 360 - y / size x 360 degrees.
  static void buildStrip(Image32& strip);

 private:
  int32_t size_ = 0;
  Rect fieldRect_, stripRect_;
  Image32 field_, fieldShown_, strip_, stripShown_, marker_;
  int32_t stripRow_ = 0, fieldX_ = 0, fieldY_ = 0;
  bool draggingField_ = false, draggingStrip_ = false;
};

}  // namespace kanvo
