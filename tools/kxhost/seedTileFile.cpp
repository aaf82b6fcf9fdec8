#include "kxhost/seedTileFile.h"

#include <sys/stat.h>

#include <cmath>
#include <cstdio>

namespace kxhost {

std::string CacheTilePath(const std::string& directory, const PlannedTile& tile, const BufferFormat& format) {
  // The level is "%f" of -log2(magnification), worked out as the cache does
  // ("-0.000000" at full size); the stored directory may end in a separator.
  const double level = -(std::log(tile.scene.mag) / std::log(2.0));
  char name[256];
  std::snprintf(name, sizeof name, "%f/%u/r%u.c%u.w%d.h%d.c%u.bps%u.smp%u.bip.raw", level, tile.row, tile.row,
                tile.column, static_cast<int>(tile.scene.width), static_cast<int>(tile.scene.height), format.colorSpace,
                format.bps, format.type);
  const bool separated = !directory.empty() && directory.back() == '/';
  return directory + (separated ? "" : "/") + name;
}

std::optional<uint64_t> RegularFileSize(const std::string& path) {
  struct stat status {};
  if (::lstat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) return std::nullopt;
  return static_cast<uint64_t>(status.st_size);
}

}  // namespace kxhost
