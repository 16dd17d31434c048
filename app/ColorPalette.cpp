#include "app/ColorPalette.h"

#include <algorithm>
#include <climits>

#include "app/HueColour.h"
#include "raster/pixel/PixelOps.h"

namespace kanvo {

namespace {

// trunc(i / size x 255), in doubles.
int rampWeight(int32_t i, int32_t size) { return int(double(i) / double(size) * 255.0); }

void outline(Image32& image, int32_t x, int32_t y, int32_t width, int32_t height, Color32 colour) {
  image.fillRect(x, y, width, 1, colour);
  image.fillRect(x, y + height - 1, width, 1, colour);
  image.fillRect(x, y, 1, height, colour);
  image.fillRect(x + width - 1, y, 1, height, colour);
}

}  // namespace

void ColorPalette::buildStrip(Image32& strip) {
  const int32_t size = strip.height();
  for (int32_t y = 0; y < size; ++y)
    strip.fillRect(0, y, strip.width(), 1, hueColour(360.0 - double(y) / double(size) * 360.0));
}

void ColorPalette::buildField(Image32& field, Color32 hue) {
  const int32_t size = field.width();
  field.fill(kOpaqueWhite);
  for (int32_t y = 0; y < size; ++y) {
    Color32& left = *field.pixelAddress(0, y);
    Color32& right = *field.pixelAddress(size - 1, y);
    right = hue;
    if (y >= 1) {
      blendRgb(left, kOpaqueBlack, rampWeight(y, size));
      blendRgb(right, kOpaqueBlack, rampWeight(y, size));
    }
  }
  field.fillRect(0, size - 1, size, 1, kOpaqueBlack);
  field.setPixel(0, 0, kOpaqueWhite);
  for (int32_t y = 0; y < size; ++y) {
    const Color32 left = field.getPixel(0, y), right = field.getPixel(size - 1, y);
    for (int32_t x = 1; x <= size - 2; ++x) {
      Color32 mixed = left;
      lerpRgb(mixed, right, rampWeight(x, size));
      field.setPixel(x, y, mixed);
    }
  }
}

bool ColorPalette::initialise(int32_t size, int32_t stripWidth, const Rect& field, const Rect& strip) {
  if (!field_.resizeBuffer(size, size) || !fieldShown_.resizeBuffer(size, size) ||
      !strip_.resizeBuffer(stripWidth, size) || !stripShown_.resizeBuffer(stripWidth, size) ||
      !marker_.resizeBuffer(8, 8))
    return false;
  size_ = size;
  fieldRect_ = field;
  stripRect_ = strip;
  buildStrip(strip_);
  marker_.fill(rgba(0, 0, 255));
  outline(marker_, 0, 0, 8, 8, kOpaqueWhite);
  outline(marker_, 1, 1, 6, 6, kOpaqueBlack);
  reset();
  return true;
}

void ColorPalette::reset() {
  stripRow_ = 0;
  fieldX_ = 0;
  fieldY_ = size_ - 1;
  draw(true);
}

bool ColorPalette::press(int32_t x, int32_t y) {
  if (fieldRect_.contains(x, y))
    draggingField_ = true;
  else if (stripRect_.contains(x, y))
    draggingStrip_ = true;
  move(x, y);
  return dragging();
}

void ColorPalette::move(int32_t x, int32_t y) {
  if (size_ < 1) return;
  const int32_t fx = std::clamp(int64_t(x) - fieldRect_.x, int64_t(0), int64_t(size_ - 1));
  const int32_t fy = std::clamp(int64_t(y) - fieldRect_.y, int64_t(0), int64_t(size_ - 1));
  if (draggingField_) {
    fieldX_ = fx;
    fieldY_ = fy;
    draw(false);
  } else if (draggingStrip_) {
    stripRow_ = fy;
    draw(true);
  }
}

Color32 ColorPalette::colour() const { return field_.getPixel(fieldX_, fieldY_) | 0xFF000000u; }

void ColorPalette::setColour(Color32 colour) {
  if (size_ < 1) return;
  const std::optional<double> hue = hueOf(colour);
  stripRow_ = hue ? std::clamp(size_ - int32_t(size_ * *hue / 360.0) - 1, 0, size_ - 1) : 0;
  draw(true);
  int best = INT_MAX;
  for (int32_t y = 0; y < size_; ++y)
    for (int32_t x = 0; x < size_; ++x) {
      const int d = colourDistanceSquared(field_.getPixel(x, y), colour);
      if (d < best) {
        best = d;
        fieldX_ = x;
        fieldY_ = y;
      }
    }
  draw(false);
}

void ColorPalette::draw(bool rebuild) {
  if (size_ < 1) return;
  if (rebuild || draggingStrip_) buildField(field_, strip_.getPixel(0, stripRow_));
  fieldShown_.copyFrom(field_);
  outline(fieldShown_, fieldX_ - 4, fieldY_ - 4, 8, 8, kOpaqueBlack);
  outline(fieldShown_, fieldX_ - 3, fieldY_ - 3, 6, 6, kOpaqueWhite);
  stripShown_.copyFrom(strip_);
  stripShown_.copyFrom(marker_, 0, stripRow_ - 3);
}

void ColorPalette::paintInto(Image32& panel) const {
  panel.copyFrom(fieldShown_, fieldRect_.x, fieldRect_.y);
  panel.copyFrom(stripShown_, stripRect_.x, stripRect_.y);
}

}  // namespace kanvo
