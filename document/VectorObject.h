#pragma once
// The document's side of a vector layer's object: what the layer's list needs to own, copy and
// move its objects. The objects' geometry, editing and drawing live with the vector renderer
// (view/), which derives its object types from this one.
#include <cstdint>
#include <memory>

namespace kanvo {

class VectorObject {
 public:
  VectorObject() = default;
  virtual ~VectorObject() = default;
  VectorObject& operator=(const VectorObject&) = delete;

  // 1 = drawn by the compositor and hit by the layer picker; 0 = hidden.
  uint8_t visible = 1;

  // A deep copy of the same dynamic type; null when memory cannot be had.
  virtual std::unique_ptr<VectorObject> clone() const;
  // Moves the geometry by (dx, dy) canvas pixels and rebuilds any display cache.
  virtual void translate(double dx, double dy);
  // Bytes the object holds (for memory budgets): at least the object itself.
  virtual uint64_t byteEstimate() const { return sizeof(VectorObject); }

 protected:
  VectorObject(const VectorObject&) = default;
};

}  // namespace kanvo
