#pragma once
// Sets a busy flag (Document::busy) for the life of the object, so that timers, redraws and
// other tools skip their work while a long operation runs.
#include <cstdint>

namespace kanvo {

class BusyScope {
 public:
  explicit BusyScope(uint8_t& flag) : flag_(flag) { flag_ = 1; }
  ~BusyScope() { flag_ = 0; }
  BusyScope(const BusyScope&) = delete;
  BusyScope& operator=(const BusyScope&) = delete;

 private:
  uint8_t& flag_;
};

}  // namespace kanvo
