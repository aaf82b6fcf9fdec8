#include "tileServer/infoJson.h"

#include <exception>
#include <filesystem>
#include <nlohmann/json.hpp>

namespace kxhost {

namespace {

using Json = nlohmann::json;

// A path's last component: the info names files, never where they lie.
std::string fileName(const std::string& path) { return std::filesystem::path(path).filename().string(); }

Json stage(const char* name, Json settings) { return Json{{"stage", name}, {"settings", std::move(settings)}}; }

// The chain's links in stacking order: the source, then the stages in the
// order the render option table stacks them.
Json stages(const ServedChain& served) {
  const RenderSettings& settings = served.settings;
  Json links = Json::array();
  links.push_back(stage("GDAL source", {{"file", fileName(settings.image)},
                                        {"bands", served.chain.source->image().bandCount},
                                        {"resampling", settings.resamplingName}}));
  if (!settings.bands.empty()) links.push_back(stage("multiband selector", {{"bands", settings.bands}}));
  if (!served.cacheDirectory.empty()) {
    const std::filesystem::path directory(served.cacheDirectory);
    const std::filesystem::path root(settings.cache.directory);
    links.push_back(
        stage("persistent pixel cache", {{"directory", directory.lexically_relative(root).lexically_normal().string()},
                                         {"tile", {served.cacheTileWidth, served.cacheTileHeight}}}));
  }
  if (settings.replacement)
    links.push_back(stage("pixel replacer", {{"from", settings.replacement->from}, {"to", settings.replacement->to}}));
  if (settings.rotate != 0) links.push_back(stage("transposer", {{"turn", settings.rotate}}));
  if (settings.watermark) links.push_back(stage("watermarker", {{"file", fileName(*settings.watermark)}}));
  return links;
}

}  // namespace

std::string InfoJson(const ServedChain& served, bool canWatermark) {
  try {
    const TileScheme& scheme = *served.scheme;
    const Json info = {
        {"width", scheme.width()},
        {"height", scheme.height()},
        {"bands", served.props.numBands},
        {"tileSize", kServedTileSize},
        {"minZoom", 0},
        {"maxZoom", scheme.maxZoom()},
        {"watermark", canWatermark},
        {"source", fileName(served.settings.image)},
        {"stages", stages(served)},
    };
    // File names need not be UTF-8; bytes that are not become U+FFFD.
    return info.dump(-1, ' ', false, Json::error_handler_t::replace);
  } catch (const std::exception&) {
    return "{}";
  }
}

}  // namespace kxhost
