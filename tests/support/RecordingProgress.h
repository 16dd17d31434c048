#pragma once
// A progress receiver that keeps every (done, total) report in order.
#include <cstdint>
#include <utility>
#include <vector>

#include "document/Progress.h"

namespace kanvo::test {

class RecordingProgress : public Progress {
 public:
  void report(int32_t done, int32_t total) override { calls.push_back({done, total}); }
  std::vector<std::pair<int32_t, int32_t>> calls;
};

}  // namespace kanvo::test
