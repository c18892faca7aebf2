#pragma once
// A console reporter that also keeps each benchmark's time per iteration, so a summary can
// compare a subject with the reference measured in the same run.
#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

class CollectingReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.run_type == Run::RT_Iteration && run.iterations > 0) {
        seconds_[run.benchmark_name()] =
            run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
      }
    }
    ConsoleReporter::ReportRuns(runs);
  }

  // Seconds per iteration; 0 when the benchmark did not run.
  double seconds(const std::string& name) const {
    auto found = seconds_.find(name);
    return found == seconds_.end() ? 0 : found->second;
  }

 private:
  std::map<std::string, double> seconds_;
};

// Runs the benchmarks the command line selects, reporting to the console and into
// `reporter`.
inline void run_benchmarks(int argc, char** argv, CollectingReporter& reporter) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
}
