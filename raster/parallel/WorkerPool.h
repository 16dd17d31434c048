#pragma once
// The engine's one pool of worker threads, for work that splits into independent pieces.
//
// Contract:
// - parallelFor(count, job) runs job(0) ... job(count - 1), each exactly once, and returns
//   when all have ended. The calling thread takes pieces too; the pool's workers join in.
//   Which thread runs which piece, and in what order, is left open: a job must not share
//   mutable state with another piece, so that the result never depends on the thread count.
// - A batch runs on threadCount() threads at most (the caller included), or on fewer when
//   maxThreads > 0 asks for fewer. threadCount() follows std::thread::hardware_concurrency();
//   the environment variable KANVO_THREADS, read once, sets it instead (KANVO_THREADS=1: every
//   batch runs on the calling thread alone).
// - A call made from inside a job runs its pieces inline, in order, on that thread: nesting
//   never waits on the pool and never deadlocks.
// - An exception thrown by a piece reaches the caller of parallelFor (the first one caught,
//   once every piece already started has ended; pieces not yet started are skipped).
// - Several threads may call parallelFor at once; their batches share the workers.
// - When a worker thread cannot be started, the threads there take its share.
#include <cstddef>
#include <functional>

namespace kanvo::parallel {

// Threads a batch may run on, the caller included (at least 1).
int threadCount();

// Reads a KANVO_THREADS value: a whole number from 1 to 256, or 0 for anything else (absent,
// empty, not a number, out of range), which leaves the count to the machine.
int threadCountFromText(const char* text);

void parallelFor(size_t count, const std::function<void(size_t)>& job, int maxThreads = 0);

// Sets threadCount() to n while it lives (n >= 1), then restores the previous count: how tests
// and benchmarks compare one thread with several in one process.
class ThreadCountOverride {
 public:
  explicit ThreadCountOverride(int n);
  ~ThreadCountOverride();
  ThreadCountOverride(const ThreadCountOverride&) = delete;
  ThreadCountOverride& operator=(const ThreadCountOverride&) = delete;

 private:
  int previous_;
};

}  // namespace kanvo::parallel
