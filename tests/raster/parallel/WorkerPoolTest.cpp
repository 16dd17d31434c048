// The worker pool's contract: every piece once at any thread count, nested calls inline on
// the thread that makes them, a piece's exception at the caller, KANVO_THREADS read strictly.
#include "raster/parallel/WorkerPool.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>
#include <vector>

namespace kanvo::parallel {
namespace {

TEST(WorkerPoolTest, EveryPieceOnceNestedInlineExceptionAtCaller) {
  for (int threads : {1, 2, 5}) {
    SCOPED_TRACE(threads);
    ThreadCountOverride count(threads);
    std::vector<std::atomic<int>> runs(1000);
    std::atomic<int> strayNested{0};
    parallelFor(runs.size(), [&](size_t i) {
      runs[i]++;
      const std::thread::id outer = std::this_thread::get_id();
      size_t order = 0;
      parallelFor(3, [&](size_t k) { strayNested += std::this_thread::get_id() != outer || k != order++; });
    });
    for (const std::atomic<int>& r : runs) ASSERT_EQ(r.load(), 1);
    EXPECT_EQ(strayNested.load(), 0);

    EXPECT_THROW(parallelFor(64, [](size_t i) { if (i == 37) throw std::runtime_error("piece"); }),
                 std::runtime_error);
    std::atomic<size_t> sum{0};
    parallelFor(100, [&](size_t i) { sum += i; });  // the pool still serves after a failure
    EXPECT_EQ(sum.load(), 4950u);
  }
  ThreadCountOverride one(1);
  std::atomic<int> elsewhere{0};
  const std::thread::id caller = std::this_thread::get_id();
  parallelFor(50, [&](size_t) { elsewhere += std::this_thread::get_id() != caller; });
  EXPECT_EQ(elsewhere.load(), 0);
}

TEST(WorkerPoolTest, ThreadCountText) {
  EXPECT_EQ(threadCountFromText("1"), 1);
  EXPECT_EQ(threadCountFromText("12"), 12);
  for (const char* refused : {(const char*)nullptr, "", "0", "-3", "+2", " 2", "2x", "257", "99999999999999999999"})
    EXPECT_EQ(threadCountFromText(refused), 0) << (refused ? refused : "null");
}

}  // namespace
}  // namespace kanvo::parallel
