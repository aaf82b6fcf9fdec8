// What the tile server answers to a request, apart from HTTP itself: the
// request target parsed, the chain for its view, the tile, the info, the
// viewer page or a Leaflet file, with status, headers and body.
#ifndef KX_TILE_SERVER_TILE_SERVICE_H
#define KX_TILE_SERVER_TILE_SERVICE_H

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "tileServer/chainShelf.h"
#include "tileServer/decodeGate.h"

namespace kxhost {

// Where Debian's libjs-leaflet puts Leaflet.
constexpr const char kLeafletDirectory[] = "/usr/share/javascript/leaflet/";

struct ServiceAnswer {
  int status = 200;
  std::string contentType;  // empty for an answer without a body
  std::string body;
  std::vector<std::pair<std::string, std::string>> headers;
};

struct ServiceOptions {
  std::string_view page;  // the viewer page's bytes, alive as long as the service
  std::string leafletDirectory = kLeafletDirectory;
  size_t decodeSlots = 1;  // decodes at once
};

class TileService {
 public:
  // `shelf` must outlive the service.
  TileService(ChainShelf& shelf, ServiceOptions options);

  // The answer to `method` on the raw request target `target`, with the
  // request's If-None-Match value (empty when absent). Safe on any thread;
  // never throws.
  ServiceAnswer answer(const std::string& method, const std::string& target, const std::string& ifNoneMatch);

 private:
  ServiceAnswer answerTile(const ServedChain& served, uint32_t z, uint32_t x, uint32_t y,
                           const std::string& ifNoneMatch);
  ServiceAnswer answerAsset(const std::string& asset) const;

  ChainShelf& shelf_;
  const ServiceOptions options_;
  DecodeGate gate_;
};

}  // namespace kxhost

#endif  // KX_TILE_SERVER_TILE_SERVICE_H
