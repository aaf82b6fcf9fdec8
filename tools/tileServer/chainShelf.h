// The chains a tile server has built, one per distinct narrowing of its
// settings, each built on first use and kept for the requests after it.
#ifndef KX_TILE_SERVER_CHAIN_SHELF_H
#define KX_TILE_SERVER_CHAIN_SHELF_H

#include <cstdint>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <utility>

#include "hostChain/moduleLocation.h"
#include "hostChain/renderSettings.h"
#include "tileServer/servedChain.h"
#include "tileServer/tileRequest.h"

namespace kxhost {

// Most chains kept at once. Each holds a GDAL dataset pool and a module
// reference; a viewer switches between a few band and turn choices, so 16
// covers it, and the least recently used chain goes first beyond that.
constexpr size_t kMostServedChains = 16;

class ChainShelf {
 public:
  // `logger` (may be null) must outlive the shelf; each chain logs its
  // module's choice at `logLevel`.
  ChainShelf(RenderSettings server, ModuleSearch search, KxHostLoggerBase* logger, uint32_t logLevel);

  // The chain for `view`, built now if no kept chain has its settings.
  // Callers hold the pointer for as long as they decode through it, so a
  // chain dropped from the shelf meanwhile lives on until they are done.
  // Null with a one-line reason when the view's settings make no chain.
  std::shared_ptr<const ServedChain> chainFor(const ViewOptions& view, std::string* error);

  const RenderSettings& serverSettings() const { return server_; }

  // Drops every kept chain (in-flight holders keep theirs).
  void clear();

 private:
  const RenderSettings server_;
  const ModuleSearch search_;
  KxHostLoggerBase* const logger_;
  const uint32_t logLevel_;
  // Guards chains_. Held while a chain is built, so each is built once;
  // building opens the image and loads the module, a rare and short wait.
  std::mutex lock_;
  // Most recently used first, keyed by SettingsKey.
  std::list<std::pair<std::string, std::shared_ptr<const ServedChain>>> chains_;
};

}  // namespace kxhost

#endif  // KX_TILE_SERVER_CHAIN_SHELF_H
