#pragma once
// The engine's clock on Qt's monotonic timer: milliseconds since the clock was made.
#include <QElapsedTimer>

#include "document/Clock.h"

namespace kanvo {

class QtClock final : public Clock {
 public:
  QtClock() { timer_.start(); }
  uint32_t milliseconds() const override { return uint32_t(timer_.elapsed()); }

 private:
  QElapsedTimer timer_;
};

}  // namespace kanvo
