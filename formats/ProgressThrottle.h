#pragma once
// The progress throttle of long file operations: a report is passed on only on rows that are
// multiples of 64 and only when at least 50 milliseconds have passed since the previous one,
// as the percentage row / total x 100. Without a callback or a clock nothing is reported.
#include <cstdint>
#include <functional>

#include "document/Clock.h"

namespace kanvo {

using PercentCallback = std::function<void(double percent)>;

class ProgressThrottle {
 public:
  static constexpr int32_t kRowStep = 64;
  static constexpr uint32_t kIntervalMs = 50;

  ProgressThrottle(PercentCallback callback, const Clock* clock)
      : callback_(std::move(callback)), clock_(clock), last_(clock ? clock->milliseconds() : 0) {}

  void row(int32_t row, int32_t total) {
    if (!callback_ || !clock_ || total <= 0 || row % kRowStep != 0) return;
    const uint32_t now = clock_->milliseconds();
    if (now - last_ < kIntervalMs) return;
    last_ = now;
    callback_(double(row) / double(total) * 100.0);
  }

 private:
  PercentCallback callback_;
  const Clock* clock_;
  uint32_t last_;
};

}  // namespace kanvo
