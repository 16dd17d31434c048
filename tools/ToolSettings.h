#pragma once
// What the user has chosen for the tools: the brush parameter sets, the two colours and every
// tool's options. One per application, read and changed by tool dispatch, the brush engine and
// the shell's panels.
#include <array>
#include <utility>
#include <cstdint>

#include "raster/pixel/Color32.h"
#include "tools/BrushParams.h"
#include "tools/brush/StrokeList.h"

namespace kanvo {

// The options of all tools, with their start values.
struct ToolOptions {
  uint8_t antialias = 1;           // brush dabs
  uint8_t optionByte0 = 1;
  uint8_t dither = 0;              // brush dabs
  uint8_t eraserDither = 0;        // eraser dabs
  int32_t bezierInterpolation = 0; // 1: strokes follow a spline through their samples
  int32_t brushOption = 0;
  int32_t optionWord = 0;
  int32_t dotSize = 1;             // "Dot Brush"
  int32_t stampMode = 0;           // 2: the stamp has a soft edge
  uint8_t shapeAntialias = 0;
  uint8_t optionByte1 = 0;
  double lineWidth = 10.0;         // "Fill Line", "Fill Frame"
  int32_t shapeOpacity = 255;
  uint8_t optionByte2 = 0;
  uint8_t shapeConstraint = 0;     // squares and circles
  uint8_t roundedRectangle = 0;
  double roundingValue = 1.0;
  int32_t bucketSampleSource = 0;  // 0 the composite, otherwise the current layer
  int32_t bucketTolerance = 1;
  int32_t bucketOption = 0;
  int32_t gradientShape = 0;
  int32_t gradientRepeat = 0;
  int32_t gradientColourMode = 1;
  uint8_t selectionAntialias = 1;
  uint8_t optionByte3 = 0;
  int32_t autoSelectSampleSource = 0;  // 0 the composite, otherwise the current layer
  int32_t autoSelectTolerance = 1;
  uint8_t autoSelectOption = 0;
  uint8_t optionByte4 = 0;
  uint8_t selectionConstraint = 0; // squares and circles
  int32_t colourRangeTolerance = 1;
  uint8_t optionByte5 = 0;
  uint8_t optionByte6 = 1;
};

class ToolSettings {
 public:
  // The three parameter sets: 0 the initial brush, 1 the eraser, 2 a further brush.
  static constexpr int kBrushSet = 0;
  static constexpr int kEraserSet = 1;
  static constexpr int kThirdSet = 2;

  ToolSettings() {
    sets_[kEraserSet].minimumRatio = 0.4;
    sets_[kThirdSet].size = 30.0;
  }

  BrushParams& set(int i) { return sets_[size_t(i)]; }
  const BrushParams& set(int i) const { return sets_[size_t(i)]; }

  // The set the brush tool button attaches (the shell's brush-kind switch changes it).
  int attachedSet() const { return attached_; }
  void attachSet(int i) { attached_ = i; }
  BrushParams& attached() { return sets_[size_t(attached_)]; }

  Color32 foreground() const { return foreground_; }
  Color32 background() const { return background_; }
  // Colours are always opaque: setting one forces its alpha to 255.
  void setForeground(Color32 c) { foreground_ = c | 0xFF000000u; }
  void setBackground(Color32 c) { background_ = c | 0xFF000000u; }
  void swapColours() { std::swap(foreground_, background_); }

  ToolOptions options;
  // The samples of the brush stroke in progress (the brush engine's).
  StrokeList strokes;

 private:
  std::array<BrushParams, 3> sets_{};
  int attached_ = kBrushSet;
  Color32 foreground_ = kOpaqueBlack;
  Color32 background_ = kOpaqueWhite;
};

}  // namespace kanvo
