// kxhost cache-prune DIR [--max-size SIZE] [--older-than AGE] [--dry-run]:
// removes the tiles of the persistent pixel caches below DIR least recently
// used first until they fit SIZE, every tile unused for longer than AGE, and
// the temporary files writers that died left behind.
//
// Safe while renders and seeds use the same caches in other processes: a
// tile is removed with unlink, so a reader has the whole file open or finds
// none and decodes it again; a writer publishes without replacing, so a tile
// removed under it is written again whole. Only tile and temporary files in
// row directories go, never cache.description or source.txt, and only
// directories this prune emptied.
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <map>
#include <string>
#include <vector>

#include "hostChain/optionValues.h"
#include "kxhost/cachePruneLimits.h"
#include "kxhost/cachePruneSurvey.h"
#include "kxhost/commands.h"

namespace kxhost {

namespace {

// A temporary tile file older than this belongs to a writer that died: a
// live writer renames its temporary file as soon as the tile's bytes are in,
// within the time one tile takes to write (milliseconds; seconds on a slow
// disk), and an hour is far beyond that. The same quiet hour keeps an empty
// row or level directory that writers touched lately, so a writer that has
// just made its directory does not lose it before it opens its file there.
constexpr int64_t kStaleNanoseconds = 3600LL * 1000000000;

// When a tile was last used: the later of its access and modification
// times. Access times are not updated on noatime mounts, and only lazily on
// relatime ones, so the modification time is the floor; a tile is never
// modified after it is published, so that is when it was made, and an
// access time, where the file system keeps one, says more.
int64_t lastUsed(const CacheFile& tile) { return std::max(tile.accessed, tile.modified); }

int64_t nowNanoseconds() {
  struct timespec now {};
  clock_gettime(CLOCK_REALTIME, &now);
  return static_cast<int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
}

struct Tile {
  const CacheFile* file;
  CacheRow* row;
  int64_t used;
};

class Pruner {
 public:
  Pruner(bool dryRun, bool listRemovals) : dryRun_(dryRun), listRemovals_(listRemovals) {}

  // Removes (or, in a dry run, names) a file of `row`; false with a reason
  // when it cannot. One already gone, to a concurrent prune, counts as
  // neither removed nor kept.
  bool remove(const CacheFile& file, const CacheRow* row, bool tile, std::string* error) {
    if (!dryRun_ && ::unlink(file.path.c_str()) != 0) {
      if (errno != ENOENT) return Refuse(error, "cannot remove " + file.path + ": " + std::strerror(errno));
      ++goneFrom_[row];
      return true;
    }
    if (dryRun_ || listRemovals_)
      std::printf("%s %s (%llu bytes)\n", dryRun_ ? "would remove" : "removed", file.path.c_str(),
                  static_cast<unsigned long long>(file.bytes));
    ++goneFrom_[row];
    ++(tile ? tilesRemoved_ : temporariesRemoved_);
    bytesFreed_ += file.bytes;
    return true;
  }

  // Removes the row directories this prune emptied, then the level
  // directories whose rows all went. rmdir refuses a directory a writer has
  // put a file in meanwhile, and a writer makes its directories again.
  void removeEmptiedDirectories(const CacheLevel& level, int64_t now) const {
    if (dryRun_) return;
    size_t rowsGone = 0;
    for (const CacheRow& row : level.rows) {
      const auto gone = goneFrom_.find(&row);
      if (gone != goneFrom_.end() && gone->second == row.entries && now - row.modified > kStaleNanoseconds &&
          ::rmdir(row.path.c_str()) == 0)
        ++rowsGone;
    }
    if (rowsGone != 0 && rowsGone == level.entries && now - level.modified > kStaleNanoseconds)
      ::rmdir(level.path.c_str());
  }

  void printSummary(uint64_t bytesKept) const {
    std::printf("%s %llu tiles and %llu temporary files, %s %llu bytes; %llu bytes of tiles kept\n",
                dryRun_ ? "would remove" : "removed", static_cast<unsigned long long>(tilesRemoved_),
                static_cast<unsigned long long>(temporariesRemoved_), dryRun_ ? "freeing" : "freed",
                static_cast<unsigned long long>(bytesFreed_), static_cast<unsigned long long>(bytesKept));
  }

 private:
  bool dryRun_;
  bool listRemovals_;
  std::map<const CacheRow*, size_t> goneFrom_;
  uint64_t tilesRemoved_ = 0;
  uint64_t temporariesRemoved_ = 0;
  uint64_t bytesFreed_ = 0;
};

}  // namespace

int CachePruneCommand(const HostContext& context) {
  std::string error;
  PruneLimits limits;
  if (!CheckOptions(context.line, {"max-size", "older-than", "dry-run"}, &error) ||
      !ExpectOperands(context.line, 1, "cache-prune DIR [--max-size SIZE] [--older-than AGE] [--dry-run]", &error) ||
      !ParsePruneLimits(context.line, &limits, &error))
    return ReportFailure(error);
  std::vector<CacheDirectory> directories;
  if (!SurveyCaches(context.line.operands[0], &directories, &error)) return ReportFailure(error);

  // Stale temporary files go whatever the limits; the tiles are lined up
  // least recently used first.
  const int64_t now = nowNanoseconds();
  Pruner pruner(limits.dryRun, context.line.verboseCount != 0);
  std::vector<Tile> tiles;
  uint64_t bytesKept = 0;
  for (CacheDirectory& directory : directories) {
    for (CacheLevel& level : directory.levels) {
      for (CacheRow& row : level.rows) {
        for (const CacheFile& temporary : row.temporaries) {
          if (now - temporary.modified > kStaleNanoseconds && !pruner.remove(temporary, &row, false, &error))
            return ReportFailure(error);
        }
        for (const CacheFile& tile : row.tiles) tiles.push_back(Tile{&tile, &row, lastUsed(tile)});
        for (const CacheFile& tile : row.tiles) bytesKept += tile.bytes;
      }
    }
  }
  std::sort(tiles.begin(), tiles.end(), [](const Tile& a, const Tile& b) {
    return a.used != b.used ? a.used < b.used : a.file->path < b.file->path;
  });

  // The oldest tile goes while the tiles are over the size or it is over the
  // age; every later one is newer, so the first that may stay ends it.
  for (const Tile& tile : tiles) {
    const bool tooOld = limits.maxAgeNanoseconds && now - tile.used > *limits.maxAgeNanoseconds;
    const bool tooMuch = limits.maxBytes && bytesKept > *limits.maxBytes;
    if (!tooOld && !tooMuch) break;
    if (!pruner.remove(*tile.file, tile.row, true, &error)) return ReportFailure(error);
    bytesKept -= tile.file->bytes;
  }
  for (const CacheDirectory& directory : directories) {
    for (const CacheLevel& level : directory.levels) pruner.removeEmptiedDirectories(level, now);
  }
  pruner.printSummary(bytesKept);
  return 0;
}

}  // namespace kxhost
