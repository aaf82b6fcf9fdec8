// kxhost cache-stats DIR: the tiles and bytes each persistent pixel cache
// below DIR holds in each level directory (one per magnification), with the
// source, band list and tile size each was made for; then each level over
// all the caches, and all of it.
#include <cmath>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "kxhost/cachePruneSurvey.h"
#include "kxhost/commands.h"

namespace kxhost {

namespace {

struct Counts {
  uint64_t tiles = 0;
  uint64_t bytes = 0;
  uint64_t temporaryFiles = 0;  // writes in progress, or left by a writer that died
};

Counts countLevel(const CacheLevel& level) {
  Counts counts;
  for (const CacheRow& row : level.rows) {
    counts.tiles += row.tiles.size();
    counts.temporaryFiles += row.temporaries.size();
    for (const CacheFile& tile : row.tiles) counts.bytes += tile.bytes;
  }
  return counts;
}

void printLevel(const std::string& label, const std::string& name, double level, const Counts& counts) {
  std::printf("%slevel %-10s magnification %-10g %8llu tiles %14llu bytes\n", label.c_str(), name.c_str(),
              std::pow(2.0, -level), static_cast<unsigned long long>(counts.tiles),
              static_cast<unsigned long long>(counts.bytes));
}

}  // namespace

int CacheStatsCommand(const HostContext& context) {
  std::string error;
  if (!CheckOptions(context.line, {}, &error) || !ExpectOperands(context.line, 1, "cache-stats DIR", &error))
    return ReportFailure(error);
  // The caches below the directory: one per source, band list and tile size
  // as kxhost keeps them (see cacheKey.h), or the directory itself.
  std::vector<CacheDirectory> directories;
  if (!SurveyCaches(context.line.operands[0], &directories, &error)) return ReportFailure(error);
  std::map<double, std::pair<std::string, Counts>> byLevel;
  Counts total;
  for (const CacheDirectory& directory : directories) {
    if (!directory.source.empty()) std::printf("%s\n", directory.source.c_str());
    for (const CacheLevel& level : directory.levels) {
      const Counts counts = countLevel(level);
      printLevel(directory.label, level.name, level.level, counts);
      auto& [name, sum] = byLevel[level.level];
      name = level.name;
      for (Counts* into : {&sum, &total}) {
        into->tiles += counts.tiles;
        into->bytes += counts.bytes;
        into->temporaryFiles += counts.temporaryFiles;
      }
    }
  }
  for (const auto& [level, named] : byLevel) printLevel("all caches ", named.first, level, named.second);
  std::printf("total %37llu tiles %14llu bytes\n", static_cast<unsigned long long>(total.tiles),
              static_cast<unsigned long long>(total.bytes));
  if (total.temporaryFiles != 0)
    std::printf("%llu temporary files (writes in progress or interrupted)\n",
                static_cast<unsigned long long>(total.temporaryFiles));
  return 0;
}

}  // namespace kxhost
