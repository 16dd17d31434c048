#pragma once
// A vector object that is one point, and a renderer that paints it as one opaque green pixel
// through the transform and remembers the transforms it was given: enough to see where and how
// vector layers are drawn.
#include <memory>
#include <vector>

#include "document/VectorObject.h"
#include "document/VectorRenderer.h"

namespace kanvo::test {

class PointObject : public VectorObject {
 public:
  PointObject(double px, double py) : x(px), y(py) {}
  std::unique_ptr<VectorObject> clone() const override { return std::make_unique<PointObject>(*this); }
  void translate(double dx, double dy) override { x += dx, y += dy; }
  double x, y;
};

class PointRenderer : public VectorRenderer {
 public:
  void draw(VectorObject& object, Image32& target, const RenderTransform& t) override {
    const auto& point = static_cast<const PointObject&>(object);
    target.setPixel(int32_t((point.x + t.offsetX) * t.scaleX + t.translateX),
                    int32_t((point.y + t.offsetY) * t.scaleY + t.translateY), 0xFF00FF00u);
    transforms.push_back(t);
  }
  std::vector<RenderTransform> transforms;
};

}  // namespace kanvo::test
