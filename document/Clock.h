#pragma once
// The time source of the engine: milliseconds since start-up as a 32-bit count that wraps
// (compare two readings by their unsigned difference). Handed in by the application; tests
// use a manual clock.
#include <cstdint>

namespace kanvo {

class Clock {
 public:
  virtual ~Clock() = default;
  virtual uint32_t milliseconds() const = 0;
};

}  // namespace kanvo
