#pragma once
// A drawing surface that records what the view and the tools send it and keeps a picture of the
// window: presented rectangles are copied from the picture they name.
#include <cstdint>
#include <vector>

#include "raster/image/Image32.h"
#include "view/DrawingSurface.h"

namespace kanvo::test {

class RecordingSurface : public DrawingSurface {
 public:
  explicit RecordingSurface(int32_t width = 1, int32_t height = 1) { window.resizeBuffer(width, height); }

  void present(const DibImage& picture, int32_t pictureX, int32_t pictureY, const Rect& rect) override {
    presented.push_back(rect);
    Rect r = rect;
    if (!clipToSize(r, window.width(), window.height())) return;
    for (int32_t y = r.y; y < r.y + r.height; ++y)
      for (int32_t x = r.x; x < r.x + r.width; ++x)
        if (uint32_t(x - pictureX) < uint32_t(picture.width()) && uint32_t(y - pictureY) < uint32_t(picture.height()))
          window.setPixel(x, y, picture.getPixel(x - pictureX, y - pictureY));
  }
  void setOverlay(OverlaySlot slot, const Overlay& overlay) override { overlays[int(slot)] = overlay; }
  void setCursor(int32_t) override {}
  void beginWait() override { ++waits; }
  void endWait() override {}

  const Overlay& feedback() const { return overlays[int(OverlaySlot::kToolFeedback)]; }
  const Overlay& outline() const { return overlays[int(OverlaySlot::kSelectionOutline)]; }

  Image32 window;
  std::vector<Rect> presented;
  Overlay overlays[2];
  int waits = 0;
};

}  // namespace kanvo::test
