// Start-up: from starting the window program to its first painted frame, against a minimal Qt
// Widgets program that shows one widget and quits after its first paint (bench/support/
// FirstPaintPeer.cpp), in the same run, both on Qt's offscreen platform. Each reports the
// CLOCK_MONOTONIC time at the end of its first paint ("first-frame NS" on standard output; the
// window program does so and quits when KANVO_BENCH_FIRST_FRAME is set); the time counted is
// from just before the process is spawned. Wall time: the work is another process's.
#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/support/Summary.h"

namespace {

long long monotonicNs() {
  timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return (long long)t.tv_sec * 1000000000LL + t.tv_nsec;
}

// Milliseconds from spawning program to its first frame; negative when it reported none.
double firstFrameMs(const char* program) {
  int out[2];
  if (pipe(out) != 0) return -1;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  posix_spawn_file_actions_addclose(&actions, out[0]);
  char* argv[] = {const_cast<char*>(program), nullptr};
  const long long start = monotonicNs();
  pid_t pid;
  const int rc = posix_spawn(&pid, program, &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  close(out[1]);
  if (rc != 0) {
    close(out[0]);
    return -1;
  }
  std::string text;
  char buf[256];
  for (ssize_t n; (n = read(out[0], buf, sizeof buf)) > 0;) text.append(buf, size_t(n));
  close(out[0]);
  int status;
  waitpid(pid, &status, 0);
  const size_t at = text.find("first-frame ");
  if (at == std::string::npos) return -1;
  return double(std::atoll(text.c_str() + at + 12) - start) / 1e6;
}

void run(benchmark::State& state, const char* program) {
  double sum = 0;
  int runs = 0;
  for (auto _ : state) {
    const double ms = firstFrameMs(program);
    if (ms < 0) {
      state.SkipWithError("the program reported no first frame");
      return;
    }
    state.SetIterationTime(ms / 1000.0);
    sum += ms;
    ++runs;
  }
  state.counters["first_frame_ms"] = runs > 0 ? sum / runs : 0;
}

void Window(benchmark::State& state) { run(state, KANVO_PROGRAM_PATH); }
void MinimalQtPeer(benchmark::State& state) { run(state, KANVO_PEER_PATH); }

BENCHMARK(Window)->UseManualTime()->Iterations(20)->Unit(benchmark::kMillisecond);
BENCHMARK(MinimalQtPeer)->UseManualTime()->Iterations(20)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  char runtime[] = "/tmp/kanvo-bench-XXXXXX";  // a single-instance lock of its own
  if (mkdtemp(runtime) == nullptr) return 1;
  setenv("XDG_RUNTIME_DIR", runtime, 1);
  setenv("XDG_DATA_HOME", runtime, 1);
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  setenv("KANVO_BENCH_FIRST_FRAME", "1", 1);
  const int rc = kanvo::bench::runWithSummary(argc, argv, [](const kanvo::bench::SummaryReporter& r) {
    const double ours = r.counter("Window/iterations:20/manual_time", "first_frame_ms");
    const double peer = r.counter("MinimalQtPeer/iterations:20/manual_time", "first_frame_ms");
    if (ours > 0 && peer > 0)
      std::printf("first frame: window %.1f ms, minimal Qt program %.1f ms, %.1f ms more (target: under 150 ms), "
                  "ratio %.2f\n",
                  ours, peer, ours - peer, ours / peer);
  });
  rmdir(runtime);
  return rc;
}
