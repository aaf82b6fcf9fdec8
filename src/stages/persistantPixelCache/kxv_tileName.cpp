#include "stages/persistantPixelCache/kxv_tileName.h"

#include <cmath>
#include <cstdio>

namespace Kelvane {

namespace {

// Natural logarithm of 2, worked out once per process.
const double kLogOfTwo = std::log(2.0);

// Room for any "%f" of a logarithm of a finite double, and for any file name
// made of seven ints.
constexpr size_t kLevelTextSize = 64;
constexpr size_t kFileNameSize = 160;

}  // namespace

std::string tileLevelText(double mag) {
  // At magnification 1 the level is negated zero, written "-0.000000".
  const double level = -(std::log(mag) / kLogOfTwo);
  char text[kLevelTextSize];
  std::snprintf(text, sizeof text, "%f", level);
  return text;
}

PathString makeTileFileName(const PathString& cacheDirectory, const DecodeBuffer& record, int row, int column) {
  const int width = static_cast<int>(record.scene.width);
  const int height = static_cast<int>(record.scene.height);
  const BufferFormat& format = record.format;

  // Level and row directories, then the file.
  const std::string level = tileLevelText(record.scene.mag);
  char rowText[kLevelTextSize];
  std::snprintf(rowText, sizeof rowText, "%d", row);
  char fileName[kFileNameSize];
  std::snprintf(fileName, sizeof fileName, "r%d.c%d.w%d.h%d.c%d.bps%d.smp%d.%s.raw", row, column, width, height,
                static_cast<int>(format.colorSpace), static_cast<int>(format.bps), static_cast<int>(format.type),
                "bip");
  return PathString(PathString(cacheDirectory, level.c_str()), rowText, fileName);
}

}  // namespace Kelvane
