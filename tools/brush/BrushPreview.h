#pragma once
// The disc a brush stroke shows where it paints no pixels (a vector layer): screen diameter
// max(size x zoom, 3) + 1, centred on the last sample, in the foreground colour at the brush's
// opacity. It is the view's tool overlay (View::setOverlays): the engine moves it and asks for
// the canvas rectangles it left and entered to be redrawn, and the view lays it over the
// composited picture with the dab coverage (antialiased, 5 x 5 edge sampling).
#include <cstdint>

#include "raster/image/Rect.h"
#include "raster/pixel/Color32.h"
#include "tools/ToolEvent.h"
#include "view/CanvasOverlay.h"

namespace kanvo {

class BrushPreview : public CanvasOverlay {
 public:
  // Shows the disc for a brush of the given size at the view's zoom; returns the canvas
  // rectangle to redraw (where it was and where it is).
  Rect show(CanvasPoint centre, double size, double zoom, Color32 colour, int opacity);
  // Takes the disc away; returns the canvas rectangle to redraw (empty when none was shown).
  Rect hide();
  bool visible() const { return visible_; }
  void drawOver(Image32& canvasImage, const ViewFrame& frame) override;

 private:
  Rect canvasRect() const;

  bool visible_ = false;
  CanvasPoint centre_;
  double screenRadius_ = 0, zoom_ = 1;
  Color32 colour_ = kOpaqueBlack;
  int opacity_ = 255;
};

}  // namespace kanvo
