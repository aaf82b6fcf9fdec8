// The options of `kxhost render` that put the persistent pixel cache stage
// directly above the source, and the stage step that does it.
#ifndef KXHOST_CACHE_OPTIONS_H
#define KXHOST_CACHE_OPTIONS_H

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "kxhost/commandLine.h"
#include "kxhost/stageChain.h"

namespace kxhost {

struct CacheOptions {
  // The stage is used for --cache, and for --map-rect (whose decode it
  // performs, with or without a cache directory).
  bool useStage = false;
  std::string directory;              // --cache DIR; empty: the stage caches nothing
  std::optional<uint32_t> tileWidth;  // --cache-tile WxH
  std::optional<uint32_t> tileHeight;
  std::optional<uint32_t> maxCuts;         // --max-cuts N
  std::optional<double> utility;           // --utility U
  std::optional<double> tileRatio;         // --tile-ratio R
  std::optional<double> maxMagnification;  // --max-mag M
  bool hasMapRect = false;                 // --map-rect X,Y,W,H in map units
  double mapRect[4] = {};
  std::string srs;  // --srs TEXT: the map rectangle's spatial reference (any form GDAL reads)
};

// Names of the options above, for the render command's option check.
const std::vector<std::string>& CacheOptionNames();

// Usage text of the options above.
const char* CacheOptionsUsage();

// Checks the cache options of a render command line; false with a one-line reason.
bool ParseCacheOptions(const CommandLine& line, CacheOptions* options, std::string* error);

// The persistent pixel cache stage, configured from the options.
StageStep PersistantPixelCacheStep(const CacheOptions& options);

}  // namespace kxhost

#endif  // KXHOST_CACHE_OPTIONS_H
