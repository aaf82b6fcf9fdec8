#include "tileServer/tileService.h"

#include <exception>
#include <fstream>
#include <iterator>

#include "tileServer/infoJson.h"
#include "tileServer/servedTile.h"
#include "tileServer/tileEtag.h"
#include "tileServer/tileRequest.h"

namespace kxhost {

namespace {

// Tiles of one chain never change while the server runs, and a changed
// source changes their ETags; an hour lets a viewer pan back without asking.
constexpr const char kTileCacheControl[] = "public, max-age=3600";

ServiceAnswer textAnswer(int status, const std::string& text) {
  ServiceAnswer answer;
  answer.status = status;
  answer.contentType = "text/plain; charset=utf-8";
  answer.body = text + "\n";
  return answer;
}

const char* contentTypeOf(const std::string& asset) {
  if (asset.size() > 3 && asset.compare(asset.size() - 3, 3, ".js") == 0) return "text/javascript; charset=utf-8";
  if (asset.size() > 4 && asset.compare(asset.size() - 4, 4, ".css") == 0) return "text/css; charset=utf-8";
  return "image/png";
}

}  // namespace

TileService::TileService(ChainShelf& shelf, ServiceOptions options)
    : shelf_(shelf), options_(std::move(options)), gate_(options_.decodeSlots) {}

ServiceAnswer TileService::answer(const std::string& method, const std::string& target,
                                  const std::string& ifNoneMatch) {
  try {
    if (method != "GET" && method != "HEAD") {
      ServiceAnswer refused = textAnswer(405, "only GET and HEAD are answered");
      refused.headers.emplace_back("Allow", "GET, HEAD");
      return refused;
    }
    const TileRequest request = ParseRequestTarget(target);
    if (request.kind == RequestKind::Refused) return textAnswer(request.status, request.reason);
    if (request.kind == RequestKind::Page) {
      ServiceAnswer page;
      page.contentType = "text/html; charset=utf-8";
      page.body = std::string(options_.page);
      return page;
    }
    if (request.kind == RequestKind::LeafletAsset) return answerAsset(request.asset);

    // Info and tiles go through the chain of the request's view.
    std::string error;
    const std::shared_ptr<const ServedChain> served = shelf_.chainFor(request.view, &error);
    if (!served) return textAnswer(400, "these options make no chain: " + error);
    if (request.kind == RequestKind::Info) {
      ServiceAnswer info;
      info.contentType = "application/json";
      info.body = InfoJson(*served, shelf_.serverSettings().watermark.has_value());
      return info;
    }
    if (!served->scheme->contains(request.z, request.x, request.y))
      return textAnswer(404, "no tile " + std::to_string(request.z) + "/" + std::to_string(request.x) + "/" +
                                 std::to_string(request.y) + " (levels 0 to " +
                                 std::to_string(served->scheme->maxZoom()) + ")");
    return answerTile(*served, request.z, request.x, request.y, ifNoneMatch);
  } catch (const std::exception& failure) {
    return textAnswer(500, std::string("the server failed: ") + failure.what());
  }
}

ServiceAnswer TileService::answerTile(const ServedChain& served, uint32_t z, uint32_t x, uint32_t y,
                                      const std::string& ifNoneMatch) {
  // A tile the client holds is not decoded again.
  const std::string etag = TileEtag(served.identity, z, x, y);
  ServiceAnswer answer;
  answer.headers.emplace_back("ETag", etag);
  answer.headers.emplace_back("Cache-Control", kTileCacheControl);
  if (!ifNoneMatch.empty() && EtagMatches(ifNoneMatch, etag)) {
    answer.status = 304;
    return answer;
  }
  ServedTile tile;
  std::string error;
  {
    DecodeGate::Pass pass(gate_);
    if (!RenderServedTile(served, z, x, y, &tile, &error)) return textAnswer(500, error);
  }
  if (tile.origin != TileOrigin::NoCache)
    answer.headers.emplace_back("X-Cache", tile.origin == TileOrigin::Cache ? "hit" : "miss");
  answer.contentType = "image/png";
  answer.body.assign(tile.png.begin(), tile.png.end());
  return answer;
}

ServiceAnswer TileService::answerAsset(const std::string& asset) const {
  // `asset` is one of the fixed names the parser knows, never a path of the client's.
  std::ifstream file(options_.leafletDirectory + asset, std::ios::binary);
  if (!file) return textAnswer(404, "Leaflet is not installed (Debian package libjs-leaflet)");
  ServiceAnswer answer;
  answer.contentType = contentTypeOf(asset);
  answer.body.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  answer.headers.emplace_back("Cache-Control", "public, max-age=86400");
  return answer;
}

}  // namespace kxhost
