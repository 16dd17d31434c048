#pragma once
// This thread's CPU clock, and interleaved best-of rounds: ours and the peer's timed in turn in
// the same process, round after round, keeping each one's fastest round, so that a burst of
// load on a shared machine spoils one round of both rather than the whole figure of one side.
#include <time.h>

#include <algorithm>
#include <limits>

namespace kanvo::bench {

inline double threadCpuMs() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return double(t.tv_sec) * 1e3 + double(t.tv_nsec) * 1e-6;
}

// The best CPU time per call, in milliseconds, of ours and of the peer's.
struct BestPair {
  double ours = std::numeric_limits<double>::infinity();
  double peer = std::numeric_limits<double>::infinity();
  double ratio() const { return ours / peer; }
};

// rounds times: calls ours() `calls` times, then peer() as often, each timed on this thread's
// CPU clock.
template <class Ours, class Peer>
BestPair bestOfInterleaved(int rounds, int calls, Ours ours, Peer peer) {
  BestPair best;
  for (int r = 0; r < rounds; ++r) {
    const double t0 = threadCpuMs();
    for (int i = 0; i < calls; ++i) ours();
    const double t1 = threadCpuMs();
    for (int i = 0; i < calls; ++i) peer();
    const double t2 = threadCpuMs();
    best.ours = std::min(best.ours, (t1 - t0) / calls);
    best.peer = std::min(best.peer, (t2 - t1) / calls);
  }
  return best;
}

}  // namespace kanvo::bench
