// A console reporter that keeps each benchmark's median (or, without repetitions, its single
// run) so that a program can print the ratios of its benchmarks against their baselines; and
// the stopwatch of runs that start other processes.
#pragma once

#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace veldra::bench {

class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
      if (median || (run.run_type == Run::RT_Iteration && !seen_median_)) {
        if (median) seen_median_ = true;
        cpu_[run.run_name.function_name] = run.GetAdjustedRealTime();
        auto wall = run.counters.find("wall_ms");
        if (wall != run.counters.end()) wall_[run.run_name.function_name] = wall->second.value;
      }
    }
  }

  // Prints a / b on CPU time, and on wall time where both counted "wall_ms".
  void PrintRatio(const char* a, const char* b) const {
    auto x = cpu_.find(a), y = cpu_.find(b);
    auto xw = wall_.find(a), yw = wall_.find(b);
    if (x == cpu_.end() || y == cpu_.end() || y->second <= 0) return;
    std::printf("%s / %s = %.2f on CPU time", a, b, x->second / y->second);
    if (xw != wall_.end() && yw != wall_.end() && yw->second > 0) {
      std::printf(", %.2f on wall time", xw->second / yw->second);
    }
    std::printf("\n");
  }

 private:
  std::map<std::string, double> cpu_;
  std::map<std::string, double> wall_;
  bool seen_median_ = false;
};

// The time a run took: wall time, and CPU time (user + system) of this process and of the
// processes it started and waited for. The ratios are taken on CPU time, which other work on
// a shared machine disturbs much less than wall time; both are reported.
struct Stopwatch {
  static double Cpu() {
    rusage self{}, children{};
    getrusage(RUSAGE_SELF, &self);
    getrusage(RUSAGE_CHILDREN, &children);
    auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
    return seconds(self.ru_utime) + seconds(self.ru_stime) + seconds(children.ru_utime) +
           seconds(children.ru_stime);
  }
  Stopwatch() : wall(std::chrono::steady_clock::now()), cpu(Cpu()) {}
  // Ends the run: CPU seconds as the iteration time, wall milliseconds as a counter.
  void Stop(benchmark::State& state) const {
    const double cpu_seconds = Cpu() - cpu;
    const double wall_seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - wall).count();
    state.SetIterationTime(cpu_seconds);
    state.counters["wall_ms"] = wall_seconds * 1000;
  }
  std::chrono::steady_clock::time_point wall;
  double cpu;
};

}  // namespace veldra::bench
