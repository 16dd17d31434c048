#include "formats/native/NativeJobs.h"

#include <algorithm>
#include <atomic>
#include <system_error>
#include <thread>
#include <vector>

namespace kanvo::native {

void runJobs(size_t count, int32_t threads, const std::function<void(size_t)>& job) {
  size_t want = threads > 0 ? size_t(threads) : std::max(1u, std::thread::hardware_concurrency());
  want = std::min(want, count);
  std::atomic<size_t> next{0};
  auto worker = [&] {
    for (size_t i = next++; i < count; i = next++) job(i);
  };
  std::vector<std::thread> helpers;
  for (size_t t = 1; t < want; ++t) {
    try {
      helpers.emplace_back(worker);
    } catch (const std::system_error&) {
      break;  // fewer threads: the ones there take the remaining jobs
    }
  }
  worker();
  for (std::thread& t : helpers) t.join();
}

}  // namespace kanvo::native
