// Filling a persistent pixel cache: each planned tile decoded through the
// cache stage itself, which writes the tile's file, on several threads.
#ifndef KXHOST_SEED_RUN_H
#define KXHOST_SEED_RUN_H

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "hostChain/kelvaneApi.h"
#include "hostChain/tilePlan.h"

namespace kxhost {

struct SeedJob {
  IKxContentImp* cache = nullptr;  // the cache stage: decoding a tile through it writes the tile
  std::string directory;           // where it keeps its tiles
  RasterProps props;               // what it reports
  std::vector<PlannedTile> tiles;
  uint32_t threads = 1;
};

struct SeedTally {
  uint64_t written = 0;
  uint64_t skipped = 0;  // on disk already: not decoded
  uint64_t refused = 0;  // decoded, but the cache wrote no file (its thresholds, a foreign directory)
  uint64_t bytes = 0;    // of the files written
};

// Called after each tile with the number done so far, from any thread.
using SeedProgress = std::function<void(size_t done)>;

// Seeds every tile of the job; false with a one-line reason at the first
// failing tile (later tiles are not started). `tally` counts what was done.
bool SeedTiles(const SeedJob& job, const SeedProgress& progress, SeedTally* tally, std::string* error);

}  // namespace kxhost

#endif  // KXHOST_SEED_RUN_H
