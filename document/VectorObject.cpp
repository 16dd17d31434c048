#include "document/VectorObject.h"

#include <new>

namespace kanvo {

std::unique_ptr<VectorObject> VectorObject::clone() const {
  return std::unique_ptr<VectorObject>(new (std::nothrow) VectorObject(*this));
}

void VectorObject::translate(double, double) {}

}  // namespace kanvo
