// Timing shared by the benchmarks: CPU time of the calling thread (the
// machines are shared, and wall time would count the time a thread waits for
// a core), a table of named ratios printed after the run, and the rows of the
// common table that scripts/bench.sh gathers from every benchmark: a piece of
// work, our time for it and the time of each reference (memcpy of the same
// bytes, a peer library, the same work without our stage), all measured in
// the same run.
#ifndef KELVANE_BENCH_BENCH_TIMING_H
#define KELVANE_BENCH_BENCH_TIMING_H

#include <benchmark/benchmark.h>

#include <cstdio>
#include <ctime>
#include <map>
#include <string>
#include <utility>
#include <vector>

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

// A reference's name and its time for the same work.
using Reference = std::pair<std::string, double>;

struct TableRow {
  std::string work;
  double oursSeconds = 0.0;
  std::vector<Reference> references;
};

inline std::vector<TableRow>& tableRows() {
  static std::vector<TableRow> rows;
  return rows;
}

// Records one row; times are totals over the same iterations on every side.
// A benchmark that runs again (Google Benchmark first runs a few iterations
// to choose how many to time) replaces its row.
inline void recordRow(const std::string& work, double oursSeconds, std::vector<Reference> references) {
  for (TableRow& row : tableRows()) {
    if (row.work == work) {
      row = {work, oursSeconds, std::move(references)};
      return;
    }
  }
  tableRows().push_back({work, oursSeconds, std::move(references)});
}

// The named ratios, then one line per row in the form scripts/bench.sh reads:
// "row|work|ours ms|reference=ms|..." (times in milliseconds).
inline void printRatios(const char* title) {
  std::printf("\n%s\n", title);
  for (const auto& [name, ratio] : ratios()) std::printf("  %-44s %6.1f%%\n", name.c_str(), 100.0 * ratio);
  for (const TableRow& row : tableRows()) {
    std::printf("row|%s|%.3f", row.work.c_str(), 1e3 * row.oursSeconds);
    for (const auto& [name, seconds] : row.references) std::printf("|%s=%.3f", name.c_str(), 1e3 * seconds);
    std::printf("\n");
  }
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
