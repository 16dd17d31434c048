#pragma once
// The heap in use (mallinfo2: allocated chunks and mapped blocks), and a progress sink that
// keeps the largest value seen at its reports, for the peak memory of band-wise work.
#include <malloc.h>

#include <algorithm>
#include <cstdint>

#include "document/Progress.h"

namespace kanvo::bench {

inline uint64_t heapInUse() {
  const struct mallinfo2 m = mallinfo2();
  return uint64_t(m.uordblks) + uint64_t(m.hblkhd);
}

struct PeakProgress : Progress {
  uint64_t peak = 0;
  void report(int32_t, int32_t) override { peak = std::max(peak, heapInUse()); }
};

}  // namespace kanvo::bench
