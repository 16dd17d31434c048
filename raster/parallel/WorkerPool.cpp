#include "raster/parallel/WorkerPool.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <exception>
#include <mutex>
#include <pthread.h>
#include <stop_token>
#include <system_error>
#include <thread>
#include <vector>

namespace kanvo::parallel {
namespace {

constexpr int kMostThreads = 256;

thread_local bool insideJob = false;

// Marks the running thread as inside a job for its lifetime, so that calls made from the job
// run inline.
class InsideJob {
 public:
  InsideJob() : outer_(insideJob) { insideJob = true; }
  ~InsideJob() { insideJob = outer_; }

 private:
  bool outer_;
};

// One parallelFor call, living on its caller's stack until every worker inside has left.
struct Batch {
  Batch(const std::function<void(size_t)>& j, size_t n) : job(j), count(n) {}

  // Takes pieces until none remain (or one has failed).
  void work() {
    InsideJob inside;
    for (size_t i = next.fetch_add(1); i < count && !failed.load(); i = next.fetch_add(1)) {
      try {
        job(i);
      } catch (...) {
        std::lock_guard lock(mutex);
        if (!error) error = std::current_exception();
        failed.store(true);
      }
    }
  }
  bool exhausted() const { return failed.load() || next.load() >= count; }

  const std::function<void(size_t)>& job;
  const size_t count;
  std::atomic<size_t> next{0};
  std::atomic<bool> failed{false};
  int helpersWanted = 0;  // workers that may still join (the pool's mutex)

  std::mutex mutex;
  std::condition_variable left;
  int helpersInside = 0;     // (mutex)
  std::exception_ptr error;  // (mutex)
};

class Pool;
Pool& pool();
std::vector<std::jthread>* orphans = nullptr;

class Pool {
 public:
  // A child process forked while workers run gets only the forking thread: the pool's lock is
  // held across the fork, and the child runs every batch on its calling thread.
  Pool() {
    pthread_atfork([] { pool().mutex_.lock(); }, [] { pool().mutex_.unlock(); },
                   [] {
                     Pool& p = pool();
                     p.forked_ = true;
                     p.mutex_.unlock();
                   });
  }
  ~Pool() {
    // A forked child cannot join threads it does not have: they are left as they are.
    if (forked_) orphans = new std::vector<std::jthread>(std::move(workers_));
  }

  // Offers the batch to `helpers` workers, works on it on the calling thread and returns once
  // no worker is inside it any more.
  void run(Batch& batch, int helpers) {
    {
      std::lock_guard lock(mutex_);
      if (!forked_) startWorkers(size_t(helpers));
      batch.helpersWanted = forked_ ? 0 : std::min(helpers, int(workers_.size()));
      if (batch.helpersWanted > 0) open_.push_back(&batch);
    }
    wake_.notify_all();
    batch.work();
    {
      std::lock_guard lock(mutex_);
      auto at = std::find(open_.begin(), open_.end(), &batch);
      if (at != open_.end()) open_.erase(at);
    }
    std::unique_lock lock(batch.mutex);
    batch.left.wait(lock, [&] { return batch.helpersInside == 0; });
  }

 private:
  // (mutex_) Workers only grow in number; one that cannot be started leaves its share to the
  // threads there.
  void startWorkers(size_t count) {
    while (workers_.size() < count) {
      try {
        workers_.emplace_back([this](std::stop_token stop) { serve(stop); });
      } catch (const std::system_error&) {
        return;
      }
    }
  }

  // (mutex_) The oldest open batch with pieces left, dropping the exhausted ones before it.
  Batch* nextBatch() {
    while (!open_.empty() && open_.front()->exhausted()) open_.pop_front();
    return open_.empty() ? nullptr : open_.front();
  }

  void serve(std::stop_token stop) {
    std::unique_lock lock(mutex_);
    for (;;) {
      Batch* batch = nullptr;
      wake_.wait(lock, stop, [&] { return (batch = nextBatch()) != nullptr; });
      if (batch == nullptr) return;  // stop requested
      if (--batch->helpersWanted == 0) open_.pop_front();
      {
        std::lock_guard inside(batch->mutex);
        ++batch->helpersInside;  // under mutex_ too: its caller cannot miss this worker
      }
      lock.unlock();
      batch->work();
      {
        std::lock_guard inside(batch->mutex);
        if (--batch->helpersInside == 0) batch->left.notify_all();
      }
      lock.lock();
    }
  }

  std::mutex mutex_;
  std::condition_variable_any wake_;
  std::deque<Batch*> open_;                // (mutex_)
  bool forked_ = false;                    // (mutex_)
  std::vector<std::jthread> workers_;      // (mutex_) last member: stopped and joined first
};

Pool& pool() {
  static Pool shared;
  return shared;
}

std::atomic<int> overriddenCount{0};

int machineCount() {
  static const int count = [] {
    const int asked = threadCountFromText(std::getenv("KANVO_THREADS"));
    if (asked > 0) return asked;
    return std::clamp(int(std::thread::hardware_concurrency()), 1, kMostThreads);
  }();
  return count;
}

}  // namespace

int threadCountFromText(const char* text) {
  if (text == nullptr || *text < '0' || *text > '9') return 0;
  errno = 0;
  char* end = nullptr;
  const long n = std::strtol(text, &end, 10);
  if (errno != 0 || *end != '\0' || n < 1 || n > kMostThreads) return 0;
  return int(n);
}

int threadCount() {
  const int overridden = overriddenCount.load();
  return overridden > 0 ? overridden : machineCount();
}

void parallelFor(size_t count, const std::function<void(size_t)>& job, int maxThreads) {
  int threads = threadCount();
  if (maxThreads > 0) threads = std::min(threads, maxThreads);
  if (insideJob || threads <= 1 || count <= 1) {
    InsideJob inside;
    for (size_t i = 0; i < count; ++i) job(i);
    return;
  }
  Batch batch(job, count);
  pool().run(batch, int(std::min(size_t(threads - 1), count - 1)));
  if (batch.error) std::rethrow_exception(batch.error);
}

ThreadCountOverride::ThreadCountOverride(int n)
    : previous_(overriddenCount.exchange(std::clamp(n, 1, kMostThreads))) {}

ThreadCountOverride::~ThreadCountOverride() { overriddenCount.store(previous_); }

}  // namespace kanvo::parallel
