#pragma once
// The summary every benchmark executable prints after its runs: a console reporter that keeps
// each run's CPU time per iteration (CPU time, since the machine may be shared while benchmarks
// run) and its counters by benchmark name, the "ours against the peer" time line, and a main
// body that runs the benchmarks through the reporter and then prints the summary.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace kanvo::bench {

// One benchmark's figures: CPU time per iteration in nanoseconds and its counters' values.
struct RunFigures {
  double ns = 0;
  std::map<std::string, double> counters;

  // The counter's value, or 0 where the run has no such counter.
  double counter(const std::string& key) const {
    auto it = counters.find(key);
    return it == counters.end() ? 0.0 : it->second;
  }
};

class SummaryReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& r : runs) {
      RunFigures& out = results_[r.benchmark_name()];
      out.ns = r.GetAdjustedCPUTime();
      for (const auto& [key, c] : r.counters) out.counters[key] = c.value;
    }
    ConsoleReporter::ReportRuns(runs);
  }

  // The named benchmark's figures, or null where it did not run (filtered out).
  const RunFigures* find(const std::string& name) const {
    auto it = results_.find(name);
    return it == results_.end() ? nullptr : &it->second;
  }

  // The named benchmark's counter, or 0 where the benchmark or the counter is missing.
  double counter(const std::string& name, const std::string& key) const {
    const RunFigures* f = find(name);
    return f ? f->counter(key) : 0.0;
  }

  // One summary line, the label padded to `width`: our time and the peer's in microseconds and
  // ours / peer, then, where both runs count "bytes", both sizes and their ratio. Prints nothing
  // where either benchmark did not run.
  void printTimeRatio(int width, const char* what, const std::string& ours, const std::string& peer) const {
    const RunFigures* a = find(ours);
    const RunFigures* b = find(peer);
    if (!a || !b || b->ns <= 0) return;
    std::printf("%-*s ours %9.1f us  peer %9.1f us  time ratio %.2f", width, what, a->ns / 1000.0, b->ns / 1000.0,
                a->ns / b->ns);
    const double aBytes = a->counter("bytes"), bBytes = b->counter("bytes");
    if (aBytes > 0 && bBytes > 0) std::printf("  size %8.0f vs %8.0f bytes (%.3f)", aBytes, bBytes, aBytes / bBytes);
    std::printf("\n");
  }

 private:
  std::map<std::string, RunFigures> results_;
};

// The body of a benchmark executable's main: runs the benchmarks the command line selects,
// printing each as usual, then calls summary(reporter) to print the comparison.
template <class Summary>
int runWithSummary(int argc, char** argv, Summary summary) {
  benchmark::Initialize(&argc, argv);
  SummaryReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  summary(static_cast<const SummaryReporter&>(reporter));
  return 0;
}

}  // namespace kanvo::bench
