#include "tileServer/servedChain.h"

#include <cstdio>

#include "hostChain/cacheKey.h"
#include "hostChain/moduleLibrary.h"
#include "hostChain/optionValues.h"

namespace kxhost {

namespace {

std::string numberList(const std::vector<double>& values) {
  std::string text;
  for (size_t i = 0; i < values.size(); ++i) {
    char number[32];
    std::snprintf(number, sizeof number, "%.17g", values[i]);
    text += (i == 0 ? "" : ",") + std::string(number);
  }
  return text;
}

}  // namespace

RenderSettings NarrowedSettings(const RenderSettings& server, const ViewOptions& view) {
  RenderSettings settings = server;
  if (view.bands) settings.bands = *view.bands;
  if (view.rotate) settings.rotate = *view.rotate;
  if (!view.watermark) settings.watermark.reset();
  return settings;
}

std::string SettingsKey(const RenderSettings& settings) {
  std::string key = "bands=";
  for (size_t i = 0; i < settings.bands.size(); ++i) key += (i == 0 ? "" : ",") + std::to_string(settings.bands[i]);
  if (settings.replacement)
    key += "&replace=" + numberList(settings.replacement->from) + "=" + numberList(settings.replacement->to);
  key += "&rotate=" + std::to_string(settings.rotate);
  key += "&watermark=" + settings.watermark.value_or("");
  return key;
}

bool BuildServedChain(const RenderSettings& settings, const ModuleSearch& search, KxHostLoggerBase* logger,
                      uint32_t logLevel, ServedChain* served, std::string* error) {
  served->settings = settings;
  if (!BuildRenderChain(settings, search, logger, logLevel, &served->chain, error)) return false;
  const HRESULT described = served->chain.head()->GetRasterProps(&served->props);
  if (FAILED(described)) return Refuse(error, "GetRasterProps failed with " + StatusText(described));
  if (served->props.numBands == 0 || served->props.numBands > 256 || served->props.width == 0 ||
      served->props.height == 0)
    return Refuse(error, "the chain presents an image of " + std::to_string(served->props.width) + " x " +
                             std::to_string(served->props.height) + " pixels and " +
                             std::to_string(served->props.numBands) + " bands, which cannot be served");
  // The cache's directory as the stage was given it, below --cache DIR.
  ComPtr<Kelvane::IKxPersistantPixelCache> cache;
  if (!settings.cache.directory.empty() &&
      SUCCEEDED(served->chain.head()->FindInterface(Kelvane::IID_IKxPersistantPixelCache, cache.putVoid())) && cache) {
    const char* directory = cache->GetCacheDirectory();
    served->cacheDirectory = directory != nullptr ? directory : "";
    cache->GetTileSize(&served->cacheTileWidth, &served->cacheTileHeight);
  }
  served->scheme.emplace(served->props.width, served->props.height);
  // A changed source or watermark file changes the identity, and so every ETag.
  served->identity = SourceText(IdentifySource(settings.image, settings.resamplingName)) + "\n" + SettingsKey(settings);
  if (settings.watermark) served->identity += "\n" + SourceText(IdentifySource(*settings.watermark, ""));
  return true;
}

}  // namespace kxhost
