#pragma once
// The seam where the native writer's independent jobs (one compressed stream each) meet the
// threads that run them. Today each call starts its own threads; an engine-wide worker pool
// can take their place here without the writer changing.
#include <cstddef>
#include <cstdint>
#include <functional>

namespace kanvo::native {

// Runs job(0) ... job(count - 1), each exactly once, on up to `threads` threads (0: one per
// core; the calling thread is one of them), and returns when all have ended. Jobs must not
// share mutable state.
void runJobs(size_t count, int32_t threads, const std::function<void(size_t)>& job);

}  // namespace kanvo::native
