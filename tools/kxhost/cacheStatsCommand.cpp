// kxhost cache-stats DIR: the tiles and bytes each persistent pixel cache
// below DIR holds in each level directory (one per magnification), with the
// source, band list and tile size each was made for, and in all.
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <system_error>

#include "kxhost/commands.h"

namespace kxhost {

namespace {

namespace fs = std::filesystem;

// Levels of nesting below DIR that hold caches: source, band list, tile size.
constexpr int kDeepestCache = 3;

struct LevelStats {
  std::string name;
  uint64_t tiles = 0;
  uint64_t bytes = 0;
  uint64_t temporaryFiles = 0;  // writes in progress, or left by a writer that died
};

bool endsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// The level of a level directory's name ("-0.000000", "1.000000"); false for other names.
bool levelOf(const std::string& name, double* level) {
  errno = 0;
  char* end = nullptr;
  *level = std::strtod(name.c_str(), &end);
  return errno == 0 && end != name.c_str() && *end == '\0' && std::isfinite(*level);
}

// Counts the tile files below one level directory.
bool countLevel(const fs::path& directory, LevelStats* stats, std::string* error) {
  std::error_code failure;
  for (fs::recursive_directory_iterator it(directory, failure), end; !failure && it != end; it.increment(failure)) {
    if (!it->is_regular_file(failure)) continue;
    const std::string name = it->path().filename().string();
    if (endsWith(name, ".bip.raw")) {
      ++stats->tiles;
      stats->bytes += it->file_size(failure);
    } else if (endsWith(name, ".tmp")) {
      ++stats->temporaryFiles;
    }
  }
  if (!failure) return true;
  *error = "cannot read " + directory.string() + ": " + failure.message();
  return false;
}

// Prints the level directories of one cache root, largest magnification
// first, labelled with `label`, and adds them to `total`.
bool reportLevels(const fs::path& root, const std::string& label, LevelStats* total, std::string* error) {
  std::map<double, LevelStats> levels;
  std::error_code failure;
  for (fs::directory_iterator it(root, failure), end; !failure && it != end; it.increment(failure)) {
    double level = 0.0;
    const std::string name = it->path().filename().string();
    if (!it->is_directory(failure) || !levelOf(name, &level)) continue;
    LevelStats& stats = levels[level];
    stats.name = name;
    if (!countLevel(it->path(), &stats, error)) return false;
  }
  if (failure) {
    *error = "cannot read " + root.string() + ": " + failure.message();
    return false;
  }
  for (const auto& [level, stats] : levels) {
    std::printf("%slevel %-10s magnification %-10g %8llu tiles %14llu bytes\n", label.c_str(), stats.name.c_str(),
                std::pow(2.0, -level), static_cast<unsigned long long>(stats.tiles),
                static_cast<unsigned long long>(stats.bytes));
    total->tiles += stats.tiles;
    total->bytes += stats.bytes;
    total->temporaryFiles += stats.temporaryFiles;
  }
  return true;
}

// Reports every cache below `directory` (its own levels first, then its
// subdirectories by name), labelled by the path from the top; a source
// directory's description comes before its caches.
bool reportTree(const fs::path& directory, const std::string& label, int depth, LevelStats* total, std::string* error) {
  if (!reportLevels(directory, label, total, error)) return false;
  std::map<std::string, fs::path> children;
  std::error_code failure;
  for (fs::directory_iterator it(directory, failure), end; !failure && it != end; it.increment(failure)) {
    double level = 0.0;
    const std::string name = it->path().filename().string();
    if (it->is_directory(failure) && !levelOf(name, &level)) children[name] = it->path();
  }
  // Deeper than source, band list and tile size is no cache kxhost made.
  for (const auto& [name, path] : children) {
    if (depth >= kDeepestCache) break;
    std::ifstream source(path / "source.txt");
    if (source) {
      std::string line, text;
      while (std::getline(source, line)) text += (text.empty() ? "" : ", ") + line;
      std::printf("source %s: %s\n", name.c_str(), text.c_str());
    }
    const std::string nested = source ? "  " : label + name + " ";
    if (!reportTree(path, nested, depth + 1, total, error)) return false;
  }
  return true;
}

}  // namespace

int CacheStatsCommand(const HostContext& context) {
  std::string error;
  if (!CheckOptions(context.line, {}, &error) || !ExpectOperands(context.line, 1, "cache-stats DIR", &error))
    return ReportFailure(error);
  const fs::path root(context.line.operands[0]);
  std::error_code failure;
  if (!fs::is_directory(root, failure)) return ReportFailure(root.string() + " is not a directory");

  // The caches below the directory: one per source, band list and tile size
  // as kxhost keeps them (see cacheKey.h), or the directory itself.
  LevelStats total;
  if (!reportTree(root, "", 0, &total, &error)) return ReportFailure(error);
  std::printf("total %37llu tiles %14llu bytes\n", static_cast<unsigned long long>(total.tiles),
              static_cast<unsigned long long>(total.bytes));
  if (total.temporaryFiles != 0)
    std::printf("%llu temporary files (writes in progress or interrupted)\n",
                static_cast<unsigned long long>(total.temporaryFiles));
  return 0;
}

}  // namespace kxhost
