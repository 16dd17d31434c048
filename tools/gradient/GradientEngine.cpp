#include "tools/gradient/GradientEngine.h"

#include <algorithm>
#include <cmath>

#include "raster/pixel/PixelOps.h"
#include "tools/fill/MaskFill.h"
#include "tools/gradient/GradientRamp.h"

namespace kanvo {

namespace {

constexpr const char* kLabel = "Gradation";

// A colour as the grey level of an 8 or 1 bpp layer: 255 minus its luminance, in the low byte.
Color32 greyLevel(Color32 c) { return uint32_t(255 - luminance(c)) | 0xFF000000u; }

bool finitePoint(CanvasPoint p) { return std::isfinite(p.x) && std::isfinite(p.y); }

}  // namespace

bool GradientEngine::draw(CanvasPoint from, CanvasPoint to) {
  if (document_.busy != 0 || !finitePoint(from) || !finitePoint(to)) return false;
  Layer* layer = document_.currentLayer();
  if (layer == nullptr || !layer->visible || layer->locked || !layer->isRaster()) return false;
  document_.busy = 1;
  Rect shown;
  const bool changed = drawOn(*layer, from, to, shown);
  document_.busy = 0;  // the view does not update while the document is busy
  if (changed && sink_ != nullptr) sink_->redrawCanvasRect(shown);
  return changed;
}

bool GradientEngine::drawOn(Layer& layer, CanvasPoint from, CanvasPoint to, Rect& shown) {
  const ToolOptions& options = settings_.options;
  FillSource ramp;
  ramp.shape = std::clamp<int32_t>(options.gradientShape, kGradientLinear, kGradientRadialInverted);
  ramp.repeat = std::clamp<int32_t>(options.gradientRepeat, kGradientClamp, kGradientMirror);
  ramp.colourMode = std::clamp<int32_t>(options.gradientColourMode, kGradientTwoColours, kGradientOneColour);
  ramp.x0 = from.x - layer.offsetX;
  ramp.y0 = from.y - layer.offsetY;
  ramp.x1 = to.x - layer.offsetX;
  ramp.y1 = to.y - layer.offsetY;
  const bool colour = layer.kind == kLayerKind32;
  ramp.colourA = colour ? settings_.foreground() : greyLevel(settings_.foreground());
  ramp.colourB = colour ? settings_.background() : greyLevel(settings_.background());
  ramp.updateGradient(0, 0, 1.0);
  if (ramp.squaredLength == 0) return false;

  RampTarget target;
  target.rect = Rect(0, 0, int32_t(layer.storeWidth()), int32_t(layer.storeHeight()));
  const Selection* selection = document_.currentSelection();
  const Rect bounds = selection != nullptr ? coveredBounds(selection->mask) : Rect();
  if (!bounds.isEmpty()) {
    target.rect = Rect(bounds.x - layer.offsetX, bounds.y - layer.offsetY, bounds.width, bounds.height);
    target.mask = &selection->mask;
    target.maskOffsetX = layer.offsetX;
    target.maskOffsetY = layer.offsetY;
  }
  target.keepAlpha = layer.reservedFlag != 0;
  Rect& rect = target.rect;
  if (!clipToSize(rect, int32_t(layer.storeWidth()), int32_t(layer.storeHeight()))) return false;

  // Without its undo step the change could not be taken back: then nothing is drawn.
  const int32_t index = document_.indexOf(&layer);
  bool recorded = false;
  if (layer.kind == kLayerKind32) recorded = history_.recordPixels32(layer.pixels32, rect, index, kLabel);
  if (layer.kind == kLayerKind8) recorded = history_.recordPixels8(layer.pixels8, rect, index, kLabel);
  if (layer.kind == kLayerKind1) recorded = history_.recordPixels1(layer.pixels1, rect, index, kLabel);
  if (!recorded) return false;
  if (layer.kind == kLayerKind32) drawRamp(layer.pixels32, ramp, target);
  if (layer.kind == kLayerKind8) drawRamp(layer.pixels8, ramp, target);
  if (layer.kind == kLayerKind1) drawRamp(layer.pixels1, ramp, target);
  document_.layerChanged(layer, rect.x, rect.y, rect.width, rect.height);
  shown = Rect(rect.x + layer.offsetX, rect.y + layer.offsetY, rect.width, rect.height);
  return true;
}

}  // namespace kanvo
