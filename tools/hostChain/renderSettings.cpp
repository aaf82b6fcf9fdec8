#include "hostChain/renderSettings.h"

#include "hostChain/optionValues.h"

namespace kxhost {

bool CheckRenderSettings(const RenderSettings& settings, std::string* error) {
  // A map rectangle is decoded by the cache's geo decode alone, which passes
  // by the selector and every stage above the cache.
  const CacheSettings& cache = settings.cache;
  if (cache.hasMapRect && (settings.hasScene || !settings.bands.empty()))
    return Refuse(error, "--map-rect replaces --scene and cannot be combined with --bands");
  if (cache.hasMapRect && settings.replacement) return Refuse(error, "--replace cannot be combined with --map-rect");
  if (cache.hasMapRect && settings.rotate != 0) return Refuse(error, "--rotate cannot be combined with --map-rect");
  if (cache.hasMapRect && settings.watermark) return Refuse(error, "--watermark cannot be combined with --map-rect");
  if (!cache.srs.empty() && !cache.hasMapRect)
    return Refuse(error, "--srs names the spatial reference of a --map-rect");
  // Cache settings without a cache are a mistake worth reporting.
  if (cache.tuned() && cache.directory.empty()) return Refuse(error, "the cache settings need --cache DIR");
  return true;
}

}  // namespace kxhost
