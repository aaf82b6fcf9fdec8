#include "kxhost/cacheOptions.h"

#include <cmath>

namespace kxhost {

namespace {

// A failed check: the reason, and false.
bool refuse(std::string* error, const std::string& reason) {
  *error = reason;
  return false;
}

// A number option given as text, at least `low`.
bool parseNumberAtLeast(const CommandLine& line, const char* name, double low, std::optional<double>* value) {
  if (!line.has(name)) return true;
  double parsed = 0.0;
  if (!ParseNumber(line.value(name, ""), &parsed) || !std::isfinite(parsed) || parsed < low) return false;
  *value = parsed;
  return true;
}

bool parseMapRect(const std::string& text, CacheOptions* options) {
  std::vector<double> numbers;
  if (!ParseNumberList(text, &numbers) || numbers.size() != 4 || !(numbers[2] > 0.0) || !(numbers[3] > 0.0))
    return false;
  for (size_t i = 0; i < 4; ++i) options->mapRect[i] = numbers[i];
  options->hasMapRect = true;
  return true;
}

// Runs one configuration call, naming it for a failure message.
template <typename Call>
HRESULT configureWith(std::string* what, const char* name, Call&& call) {
  *what = name;
  return call();
}

}  // namespace

const std::vector<std::string>& CacheOptionNames() {
  static const std::vector<std::string> names = {"cache",      "cache-tile", "max-cuts", "utility",
                                                 "tile-ratio", "max-mag",    "map-rect", "srs"};
  return names;
}

const char* CacheOptionsUsage() {
  return "[--cache DIR [--cache-tile WxH] [--max-cuts N] [--utility U] [--tile-ratio R] [--max-mag M]]\n"
         "         [--map-rect X,Y,W,H [--srs TEXT]]";
}

bool ParseCacheOptions(const CommandLine& line, CacheOptions* options, std::string* error) {
  CacheOptions parsed;
  parsed.directory = line.value("cache", "");
  if (line.has("cache") && parsed.directory.empty()) return refuse(error, "--cache must name a directory");
  uint32_t width = 0;
  uint32_t height = 0;
  if (line.has("cache-tile")) {
    if (!ParseSize(line.value("cache-tile", ""), &width, &height))
      return refuse(error, "--cache-tile must be WxH, for example 512x512");
    parsed.tileWidth = width;
    parsed.tileHeight = height;
  }
  uint64_t cuts = 0;
  if (line.has("max-cuts")) {
    if (!ParseUnsigned(line.value("max-cuts", ""), 0, UINT32_MAX, &cuts))
      return refuse(error, "--max-cuts must be a whole number of cuts");
    parsed.maxCuts = static_cast<uint32_t>(cuts);
  }
  if (!parseNumberAtLeast(line, "utility", 0.0, &parsed.utility))
    return refuse(error, "--utility must be a fraction of a tile, for example 0.5 (0 caches every tile)");
  if (!parseNumberAtLeast(line, "tile-ratio", 0.0, &parsed.tileRatio))
    return refuse(error, "--tile-ratio must be a fraction of the image, for example 0.1 (0 switches it off)");
  if (!parseNumberAtLeast(line, "max-mag", 0.0, &parsed.maxMagnification))
    return refuse(error, "--max-mag must be a magnification, for example 1");
  if (line.has("map-rect") && !parseMapRect(line.value("map-rect", ""), &parsed))
    return refuse(error, "--map-rect must be X,Y,W,H in map units with W and H above 0");
  parsed.srs = line.value("srs", "");
  if (line.has("srs") && (!parsed.hasMapRect || parsed.srs.empty()))
    return refuse(error, "--srs names the spatial reference of a --map-rect");

  // Cache settings without a cache are a mistake worth reporting.
  const bool tuned =
      parsed.tileWidth || parsed.maxCuts || parsed.utility || parsed.tileRatio || parsed.maxMagnification;
  if (tuned && !line.has("cache")) return refuse(error, "the cache settings need --cache DIR");
  parsed.useStage = line.has("cache") || parsed.hasMapRect;
  *options = std::move(parsed);
  return true;
}

StageStep PersistantPixelCacheStep(const CacheOptions& options) {
  StageStep step;
  step.name = "persistent pixel cache";
  step.clsid = CLSID_KxvPersistantPixelCache;
  step.configure = [options](IKxContentImp* stage, std::string* what) {
    ComPtr<IKxPersistantPixelCache2> cache;
    HRESULT status = configureWith(what, "QueryInterface(IKxPersistantPixelCache2)", [&] {
      return stage->QueryInterface(IID_IKxPersistantPixelCache2, cache.putVoid());
    });
    if (FAILED(status)) return status;
    // Each setting given on the command line, then the directory that switches caching on.
    if (options.tileWidth) {
      status = configureWith(what, "SetTileSize",
                             [&] { return cache->SetTileSize(*options.tileWidth, *options.tileHeight); });
    }
    if (SUCCEEDED(status) && options.maxCuts) {
      status = configureWith(what, "SetMaxCuts", [&] { return cache->SetMaxCuts(*options.maxCuts); });
    }
    if (SUCCEEDED(status) && options.utility) {
      status = configureWith(what, "SetUtilityThreshold", [&] { return cache->SetUtilityThreshold(*options.utility); });
    }
    if (SUCCEEDED(status) && options.tileRatio) {
      status = configureWith(what, "SetTileRatioThreshold",
                             [&] { return cache->SetTileRatioThreshold(*options.tileRatio); });
    }
    if (SUCCEEDED(status) && options.maxMagnification) {
      status = configureWith(what, "SetMaxMagnification",
                             [&] { return cache->SetMaxMagnification(*options.maxMagnification); });
    }
    if (SUCCEEDED(status) && !options.directory.empty()) {
      status =
          configureWith(what, "SetCacheDirectory", [&] { return cache->SetCacheDirectory(options.directory.c_str()); });
    }
    return status;
  };
  return step;
}

}  // namespace kxhost
