// Timing shared by the benchmarks: CPU time of the calling thread (the
// machines are shared, and wall time would count the time a thread waits for
// a core), and a table of named ratios printed after the run.
#ifndef KELVANE_BENCH_BENCH_TIMING_H
#define KELVANE_BENCH_BENCH_TIMING_H

#include <benchmark/benchmark.h>

#include <cstdio>
#include <ctime>
#include <map>
#include <string>

namespace Kelvane {
namespace bench {

inline double threadSeconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + 1e-9 * static_cast<double>(now.tv_nsec);
}

template <typename Work>
double secondsOf(const Work& work) {
  const double begin = threadSeconds();
  work();
  return threadSeconds() - begin;
}

// Ratios recorded by the benchmarks, by name, for the final table.
inline std::map<std::string, double>& ratios() {
  static std::map<std::string, double> table;
  return table;
}

inline void printRatios(const char* title) {
  std::printf("\n%s\n", title);
  for (const auto& [name, ratio] : ratios()) std::printf("  %-44s %6.1f%%\n", name.c_str(), 100.0 * ratio);
}

// The whole of a benchmark program's main: runs the benchmarks the command
// line selects, then prints the ratios under `title`.
inline int runBenchmarksAndPrintRatios(int argc, char** argv, const char* title) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  printRatios(title);
  return 0;
}

}  // namespace bench
}  // namespace Kelvane

#endif  // KELVANE_BENCH_BENCH_TIMING_H
