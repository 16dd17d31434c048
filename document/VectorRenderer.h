#pragma once
// The drawing of vector objects as the document needs it: the band compositor and the layer
// picker hand each visible object of a vector layer to the VectorRenderer the application set
// on the document (Document::setVectorRenderer). Without a renderer vector layers draw nothing.
#include <cstdint>

#include "raster/image/Image32.h"

namespace kanvo {

class VectorObject;

// Maps an object point p to (p + offset) x scale + translate, per axis.
struct RenderTransform {
  double translateX = 0.0, translateY = 0.0;
  double scaleX = 1.0, scaleY = 1.0;
  // 0 each object's own anti-alias flag, 1 all anti-aliased, 2 none (the layer's antialiasMode).
  int32_t antialiasOverride = 0;
  double offsetX = 0.0, offsetY = 0.0;  // the layer offset
  uint8_t buildAnchors = 0;
};

class VectorRenderer {
 public:
  virtual ~VectorRenderer() = default;
  // Paints the object into target through the transform. The object may update its caches.
  virtual void draw(VectorObject& object, Image32& target, const RenderTransform& transform) = 0;
};

}  // namespace kanvo
