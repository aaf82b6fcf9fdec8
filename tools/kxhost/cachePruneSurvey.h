// The persistent pixel caches below a directory as kxhost's cache commands
// see them: each cache's level directories (one per magnification), their
// row directories, and the tile files and temporary files in those rows.
// cache-stats counts what the survey finds; cache-prune removes from it.
//
// The survey walks the layout the cache writes and nothing else: level
// directories (named by their level, "-0.000000", "1.000000") directly in a
// cache directory, row directories (named by their row number) in a level,
// and files in a row. Links are never followed, so nothing outside the tree
// is ever counted or removed.
#ifndef KXHOST_CACHE_PRUNE_SURVEY_H
#define KXHOST_CACHE_PRUNE_SURVEY_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kxhost {

// A tile file (`*.raw`) or a temporary file (`*.tmp`) in a row directory.
struct CacheFile {
  std::string path;
  uint64_t bytes = 0;
  int64_t modified = 0;  // nanoseconds since the epoch
  int64_t accessed = 0;
};

struct CacheRow {
  std::string path;
  std::vector<CacheFile> tiles;
  std::vector<CacheFile> temporaries;
  size_t entries = 0;    // everything the directory held, tiles or not
  int64_t modified = 0;  // when an entry was last added, renamed or removed, in nanoseconds
};

struct CacheLevel {
  std::string path;
  std::string name;    // the directory's name, "-0.000000" at magnification 1
  double level = 0.0;  // the magnification is 2^-level
  std::vector<CacheRow> rows;
  size_t entries = 0;
  int64_t modified = 0;
};

// A directory the survey visited: the top, then each below it by name, down
// to the depth kxhost keeps caches at (source, band list, tile size).
struct CacheDirectory {
  std::string path;
  std::string label;               // its path below the top (or below its source's directory), for cache-stats
  std::string source;              // "source NAME: ..." from its source.txt, when it is a source's directory
  std::vector<CacheLevel> levels;  // largest magnification first
};

// Surveys the caches below `root`; false with a one-line reason when it is
// no directory or a directory cannot be read. Files and directories that vanish meanwhile (a
// concurrent prune) are left out, not reported.
bool SurveyCaches(const std::string& root, std::vector<CacheDirectory>* directories, std::string* error);

}  // namespace kxhost

#endif  // KXHOST_CACHE_PRUNE_SURVEY_H
