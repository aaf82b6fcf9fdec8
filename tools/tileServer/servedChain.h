// One chain a tile server decodes through: the server's settings narrowed
// by a request's view options, the chain built from them, what its head
// presents and the identity its tiles' ETags carry.
#ifndef KX_TILE_SERVER_SERVED_CHAIN_H
#define KX_TILE_SERVER_SERVED_CHAIN_H

#include <optional>
#include <string>

#include "hostChain/renderChain.h"
#include "hostChain/renderSettings.h"
#include "tileServer/tileRequest.h"
#include "tileServer/tileScheme.h"

namespace kxhost {

// Built once, then only read: decodes through `chain` run on any thread
// (the stages take calls from any thread).
struct ServedChain {
  RenderSettings settings;  // the server's, narrowed by the view
  RenderChain chain;
  RasterProps props;                 // what the head presents
  std::optional<TileScheme> scheme;  // from props
  // Source identity (path, size, modification time, resampling), the
  // watermark file's identity and every setting that changes pixels.
  std::string identity;
  // The persistent pixel cache's directory and tile size as the stage holds
  // them; empty without a cache directory.
  std::string cacheDirectory;
  uint32_t cacheTileWidth = 0;
  uint32_t cacheTileHeight = 0;
};

// The server's settings narrowed by `view`: its bands, turn and watermark
// replace or drop the server's own.
RenderSettings NarrowedSettings(const RenderSettings& server, const ViewOptions& view);

// The text that tells narrowed settings apart: equal texts build equal chains.
std::string SettingsKey(const RenderSettings& settings);

// Builds the chain for `settings` into `served`, the module's choice logged
// at `logLevel`; false with a one-line reason.
bool BuildServedChain(const RenderSettings& settings, const ModuleSearch& search, KxHostLoggerBase* logger,
                      uint32_t logLevel, ServedChain* served, std::string* error);

}  // namespace kxhost

#endif  // KX_TILE_SERVER_SERVED_CHAIN_H
