#include "hostChain/cacheOptions.h"

#include <algorithm>

#include "hostChain/cacheKey.h"
#include "hostChain/optionValues.h"

namespace kxhost {

namespace {

// Tile size of a cache when none is given: the module's own default, set
// explicitly so that the cache directory's name always says it.
constexpr uint32_t kDefaultCacheTile = 512;

// A finite number of at least 0, for the cache's thresholds.
bool parseThreshold(const std::string& text, std::optional<double>* value) {
  double parsed = 0.0;
  if (!ParseNumber(text, &parsed) || parsed < 0.0) return false;
  *value = parsed;
  return true;
}

// Runs one configuration call, naming it for a failure message.
template <typename Call>
HRESULT configureWith(std::string* what, const char* name, Call&& call) {
  *what = name;
  return call();
}

}  // namespace

bool ParseCacheDirectorySetting(const std::string& value, RenderSettings* settings, std::string* error) {
  if (value.empty()) return Refuse(error, "--cache must name a directory");
  settings->cache.directory = value;
  return true;
}

bool ParseCacheTileSetting(const std::string& value, RenderSettings* settings, std::string* error) {
  uint32_t width = 0;
  uint32_t height = 0;
  if (!ParseSize(value, &width, &height)) return Refuse(error, "--cache-tile must be WxH, for example 512x512");
  settings->cache.tileWidth = width;
  settings->cache.tileHeight = height;
  return true;
}

bool ParseMaxCutsSetting(const std::string& value, RenderSettings* settings, std::string* error) {
  uint64_t cuts = 0;
  if (!ParseUnsigned(value, 0, UINT32_MAX, &cuts)) return Refuse(error, "--max-cuts must be a whole number of cuts");
  settings->cache.maxCuts = static_cast<uint32_t>(cuts);
  return true;
}

bool ParseUtilitySetting(const std::string& value, RenderSettings* settings, std::string* error) {
  return parseThreshold(value, &settings->cache.utility) ||
         Refuse(error, "--utility must be a fraction of a tile, for example 0.5 (0 caches every tile)");
}

bool ParseTileRatioSetting(const std::string& value, RenderSettings* settings, std::string* error) {
  return parseThreshold(value, &settings->cache.tileRatio) ||
         Refuse(error, "--tile-ratio must be a fraction of the image, for example 0.1 (0 switches it off)");
}

bool ParseMaxMagSetting(const std::string& value, RenderSettings* settings, std::string* error) {
  return parseThreshold(value, &settings->cache.maxMagnification) ||
         Refuse(error, "--max-mag must be a magnification, for example 1");
}

bool ParseMapRectSetting(const std::string& value, RenderSettings* settings, std::string* error) {
  std::vector<double> numbers;
  if (!ParseNumberList(value, &numbers) || numbers.size() != 4 || !(numbers[2] > 0.0) || !(numbers[3] > 0.0))
    return Refuse(error, "--map-rect must be X,Y,W,H in map units with W and H above 0");
  std::copy(numbers.begin(), numbers.end(), settings->cache.mapRect);
  settings->cache.hasMapRect = true;
  return true;
}

bool ParseSrsSetting(const std::string& value, RenderSettings* settings, std::string* error) {
  if (value.empty()) return Refuse(error, "--srs names the spatial reference of a --map-rect");
  settings->cache.srs = value;
  return true;
}

bool AddPersistentPixelCacheStage(const RenderSettings& settings, GdalSource&, std::vector<StageStep>* steps,
                                  std::string* error) {
  // The cache sits on the source or the selector, below every stage that
  // changes pixels, so that its tiles keep the source's own.
  if (!settings.cache.usesStage()) return true;
  // A directory of the source, band list and tile size below --cache DIR.
  CacheSettings cache = settings.cache;
  if (!cache.directory.empty()) {
    cache.tileWidth = cache.tileWidth.value_or(kDefaultCacheTile);
    cache.tileHeight = cache.tileHeight.value_or(kDefaultCacheTile);
    const SourceIdentity source = IdentifySource(settings.image, settings.resamplingName);
    if (!DescribeSourceDirectory(cache.directory, source, error)) return false;
    cache.directory = CacheDirectoryFor(cache.directory, source, settings.bands, *cache.tileWidth, *cache.tileHeight);
  }
  steps->push_back(PersistantPixelCacheStep(cache));
  return true;
}

StageStep PersistantPixelCacheStep(const CacheSettings& settings) {
  StageStep step;
  step.name = "persistent pixel cache";
  step.clsid = CLSID_KxvPersistantPixelCache;
  step.configure = [settings](IKxContentImp* stage, std::string* what) {
    ComPtr<IKxPersistantPixelCache2> cache;
    HRESULT status = configureWith(what, "QueryInterface(IKxPersistantPixelCache2)", [&] {
      return stage->QueryInterface(IID_IKxPersistantPixelCache2, cache.putVoid());
    });
    if (FAILED(status)) return status;
    // Each setting given, then the directory that switches caching on.
    if (settings.tileWidth) {
      status = configureWith(what, "SetTileSize",
                             [&] { return cache->SetTileSize(*settings.tileWidth, *settings.tileHeight); });
    }
    if (SUCCEEDED(status) && settings.maxCuts) {
      status = configureWith(what, "SetMaxCuts", [&] { return cache->SetMaxCuts(*settings.maxCuts); });
    }
    if (SUCCEEDED(status) && settings.utility) {
      status =
          configureWith(what, "SetUtilityThreshold", [&] { return cache->SetUtilityThreshold(*settings.utility); });
    }
    if (SUCCEEDED(status) && settings.tileRatio) {
      status = configureWith(what, "SetTileRatioThreshold",
                             [&] { return cache->SetTileRatioThreshold(*settings.tileRatio); });
    }
    if (SUCCEEDED(status) && settings.maxMagnification) {
      status = configureWith(what, "SetMaxMagnification",
                             [&] { return cache->SetMaxMagnification(*settings.maxMagnification); });
    }
    if (SUCCEEDED(status) && !settings.directory.empty()) {
      status = configureWith(what, "SetCacheDirectory",
                             [&] { return cache->SetCacheDirectory(settings.directory.c_str()); });
    }
    return status;
  };
  return step;
}

}  // namespace kxhost
