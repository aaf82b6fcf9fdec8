// The options of `kxhost render` that put the persistent pixel cache stage
// directly above the source (or above the band selector), and the stage step
// that does it.
#ifndef KX_HOST_CHAIN_CACHE_OPTIONS_H
#define KX_HOST_CHAIN_CACHE_OPTIONS_H

#include <string>
#include <vector>

#include "hostChain/renderSettings.h"
#include "hostChain/stageChain.h"

namespace kxhost {

class GdalSource;

// The values of --cache, --cache-tile, --max-cuts, --utility, --tile-ratio,
// --max-mag, --map-rect and --srs into `settings`; false with a one-line reason.
bool ParseCacheDirectorySetting(const std::string& value, RenderSettings* settings, std::string* error);
bool ParseCacheTileSetting(const std::string& value, RenderSettings* settings, std::string* error);
bool ParseMaxCutsSetting(const std::string& value, RenderSettings* settings, std::string* error);
bool ParseUtilitySetting(const std::string& value, RenderSettings* settings, std::string* error);
bool ParseTileRatioSetting(const std::string& value, RenderSettings* settings, std::string* error);
bool ParseMaxMagSetting(const std::string& value, RenderSettings* settings, std::string* error);
bool ParseMapRectSetting(const std::string& value, RenderSettings* settings, std::string* error);
bool ParseSrsSetting(const std::string& value, RenderSettings* settings, std::string* error);

// The cache's step when the settings use the stage. A cache directory gets
// one directory of its own for the source, band list and tile size below it
// (see cacheKey.h); false with a one-line reason when that cannot be made.
bool AddPersistentPixelCacheStage(const RenderSettings& settings, GdalSource& source, std::vector<StageStep>* steps,
                                  std::string* error);

// The persistent pixel cache stage, configured from the settings.
StageStep PersistantPixelCacheStep(const CacheSettings& settings);

}  // namespace kxhost

#endif  // KX_HOST_CHAIN_CACHE_OPTIONS_H
