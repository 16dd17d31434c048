#pragma once
// A clock the test sets by hand.
#include <cstdint>

#include "document/Clock.h"

namespace kanvo::test {

class ManualClock : public Clock {
 public:
  uint32_t milliseconds() const override { return now; }
  uint32_t now = 0;
};

}  // namespace kanvo::test
