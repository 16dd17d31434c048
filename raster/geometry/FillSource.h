#pragma once
// Fill sources: a colour computed for any position instead of a constant colour. A
// FillSourceStack holds up to 32 sources (linear and radial gradients, repeating textures) and
// is the filler of a fillable vector object; the polygon filler evaluates it per pixel.
//
// Sources are defined in canvas coordinates. The stack carries a view transform (offset and
// scale: view = canvas x scale + offset) so that it can be evaluated directly in view pixels;
// after every change of the transform call setView before evaluating. addGradient sets the
// canvas transform (offset 0, 0, scale 1).
//
// Evaluation at (x, y) starts from baseColour and visits the enabled sources bottom to top: a
// two-colour gradient replaces the result; one-colour gradients and textures are laid over it
// with the straight-alpha over. All per-pixel arithmetic is integer (16.16 fixed point for the
// linear gradient and the texture position); doubles are used only when the view changes.
#include <array>
#include <cstdint>
#include <memory>

#include "raster/pixel/Color32.h"
#include "raster/image/Image32.h"

namespace kanvo {

enum FillSourceType : int32_t { kFillGradient = 1, kFillTexture = 2 };
enum GradientShape : int32_t { kGradientLinear = 0, kGradientRadial = 1, kGradientRadialInverted = 2 };
enum GradientRepeat : int32_t { kGradientClamp = 0, kGradientRepeat = 1, kGradientMirror = 2 };
enum GradientColourMode : int32_t { kGradientTwoColours = 0, kGradientOneColour = 1 };

constexpr int kMaxFillSources = 32;
constexpr int kTextureLevels = 8;

struct FillSource {
  int32_t type = kFillGradient;
  int32_t enabled = 1;  // a disabled source is skipped

  // --- gradient ---
  int32_t shape = kGradientLinear;          // GradientShape; radial inverted uses 255 - t
  int32_t repeat = kGradientClamp;          // GradientRepeat
  int32_t colourMode = kGradientTwoColours;  // GradientColourMode
  int32_t gradientFlags = 0;                // carried with the source, not read by evaluation
  double x0 = 0, y0 = 0, x1 = 0, y1 = 0;    // canvas coordinates of the two defining points
  Color32 colourA = 0, colourB = 0;
  // Derived for the current view by updateGradient.
  int64_t squaredLength = 0;   // int64(dx^2 + dy^2) of the view-space vector P0 -> P1
  double squaredLengthD = 0;   // the same as a double
  double length = 0;           // its square root
  double viewX0 = 0, viewY0 = 0, viewX1 = 0, viewY1 = 0;
  // 16.16 coefficients of the view-to-gradient matrix; t = (a x + b y + c) >> 8 uses the first
  // row, which is all the linear shape needs (the second row is kept for completeness).
  int32_t coeff[6] = {0, 0, 0, 0, 0, 0};

  // --- texture ---
  Image32 texture;                                   // the repeating image
  std::array<Image32, kTextureLevels> levels;        // successive halvings (buildLevels)
  int32_t stepX = 0x10000, stepY = 0x10000;          // 16.16 level pixels per view pixel
  int32_t levelIndex = -1;                           // -1: the texture itself, else a level
  int32_t levelWidth = 0, levelHeight = 0;
  uint8_t bilinear = 0;
  uint8_t opacity = 255;                             // weight of the texture's over
  Image32 secondImage;                               // copied with the texture, not evaluated

  // Recomputes the derived gradient fields for view offset (ox, oy) and scale.
  void updateGradient(int32_t ox, int32_t oy, double scale);
  // Chooses the texture level, step and filtering for a view scale.
  void updateTexture(double scale);
  // Rebuilds the eight reduction levels from the texture.
  void buildLevels();
  // The image sampled at the current scale (the texture or one level).
  const Image32& levelImage() const { return levelIndex < 0 ? texture : levels[size_t(levelIndex)]; }

  // The gradient parameter t (0..255) at view pixel (x, y), after repeat and shape handling.
  int gradientT(int32_t x, int32_t y) const;
  // The texture colour at view pixel (x, y) for view offset (ox, oy), before opacity.
  Color32 textureSample(int32_t x, int32_t y, int32_t ox, int32_t oy) const;
  // Lays the gradient's colour for parameter t (0..255) on out: a two-colour gradient replaces
  // out with colourA laid over by colourB at weight t; a one-colour gradient lays colourA over
  // out at weight 255 - t.
  void rampColour(Color32& out, int t) const;
  // Applies this source to out at view pixel (x, y).
  void apply(Color32& out, int32_t x, int32_t y, int32_t ox, int32_t oy) const;
  // Copies every field; a texture copies its images and rebuilds its levels. False when the
  // memory for the images cannot be had (this source is then left without a texture).
  bool copyFrom(const FillSource& other);
};

// Bilinear sample at 16.16 position (u, v) with every coordinate wrapped into the image
// (non-negative modulo): alpha-weighted, weights in 1/255 steps.
Color32 sampleWrappedBilinear(const Image32& image, int64_t u, int64_t v);

class FillSourceStack {
 public:
  FillSourceStack() = default;
  FillSourceStack(const FillSourceStack&) = delete;
  FillSourceStack& operator=(const FillSourceStack&) = delete;

  // Destroys every source.
  void clear();
  // Appends a gradient between (x0, y0) in colourA and (x1, y1) in colourB (canvas
  // coordinates), then sets the canvas view. Null (nothing changed) when 32 sources exist.
  FillSource* addGradient(double x0, double y0, Color32 colourA, double x1, double y1, Color32 colourB,
                          int32_t shape, int32_t repeat, int32_t colourMode);
  // Appends a repeating texture (a copy of image) laid over at opacity, then sets the canvas
  // view. Null (nothing changed) when 32 sources exist or the memory cannot be had.
  FillSource* addTexture(const Image32& image, int opacity);
  // Copies the base colour and every source of other (this stack's view is left as it is).
  // False when memory ran out; the sources copied so far are kept.
  bool assign(const FillSourceStack& other);
  // Stores the view transform and updates every source for it.
  void setView(int32_t offsetX, int32_t offsetY, double scale);
  // The colour at view pixel (x, y).
  Color32 evaluate(int32_t x, int32_t y) const;

  int count() const { return count_; }
  int current() const { return current_; }
  FillSource* source(int i) { return i >= 0 && i < count_ ? sources_[size_t(i)].get() : nullptr; }
  const FillSource* source(int i) const { return i >= 0 && i < count_ ? sources_[size_t(i)].get() : nullptr; }
  Color32 baseColour() const { return baseColour_; }
  void setBaseColour(Color32 c) { baseColour_ = c; }
  int32_t viewOffsetX() const { return viewOffsetX_; }
  int32_t viewOffsetY() const { return viewOffsetY_; }
  double viewScale() const { return viewScale_; }

 private:
  FillSource* append(std::unique_ptr<FillSource> s);

  std::array<std::unique_ptr<FillSource>, kMaxFillSources> sources_;
  int count_ = 0;
  int current_ = 0;
  Color32 baseColour_ = kOpaqueWhite;
  int32_t viewOffsetX_ = 0, viewOffsetY_ = 0;
  double viewScale_ = 1.0;
};

}  // namespace kanvo
