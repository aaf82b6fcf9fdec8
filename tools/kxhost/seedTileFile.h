// The file the persistent pixel cache keeps a tile in, named as the cache
// names it (docs/ARCHITECTURE.md, "Files on disk"), so a seed can tell a tile
// already on disk without decoding it.
#ifndef KXHOST_SEED_TILE_FILE_H
#define KXHOST_SEED_TILE_FILE_H

#include <cstdint>
#include <optional>
#include <string>

#include "hostChain/kelvaneApi.h"
#include "hostChain/tilePlan.h"

namespace kxhost {

// <directory>/<level>/<row>/r<row>.c<column>.w<w>.h<h>.c<cs>.bps<bps>.smp<type>.bip.raw
// for a tile decoded into a buffer of `format`.
std::string CacheTilePath(const std::string& directory, const PlannedTile& tile, const BufferFormat& format);

// The size of the regular file at `path`, not following a link in its last
// component (the cache serves no other kind); nothing when there is none.
std::optional<uint64_t> RegularFileSize(const std::string& path);

}  // namespace kxhost

#endif  // KXHOST_SEED_TILE_FILE_H
