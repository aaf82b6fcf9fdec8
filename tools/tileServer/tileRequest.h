// What a request target ("/tiles/3/1/2.png?bands=3,2,1") asks the tile
// server for. Parsing is a pure function of the target's raw text, before
// any percent-decoding, so that encoded slashes and dot segments are seen as
// they were sent.
#ifndef KX_TILE_SERVER_TILE_REQUEST_H
#define KX_TILE_SERVER_TILE_REQUEST_H

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kxhost {

// Longest request target taken; longer ones are refused as malformed. The
// longest target the viewer makes is well below 200 characters.
constexpr size_t kMaxRequestTarget = 2048;

// Largest tile coordinate or level that is well formed; larger numbers are
// malformed, smaller ones out of the image's range are only not found. It
// exceeds the tile count of any image a decode buffer can address.
constexpr uint32_t kMaxTileCoordinate = 0x7fffffff;

// The per-request narrowing of the server's chain, from the query string.
// An option not given keeps the server's own setting.
struct ViewOptions {
  std::optional<std::vector<uint32_t>> bands;  // from 1, as --bands
  std::optional<uint32_t> rotate;              // 0, 90, 180 or 270
  bool watermark = true;                       // false: leave the watermarker out
};

enum class RequestKind { Page, Info, Tile, LeafletAsset, Refused };

struct TileRequest {
  RequestKind kind = RequestKind::Refused;
  ViewOptions view;
  uint32_t z = 0;  // Tile: the level and tile column and row
  uint32_t x = 0;
  uint32_t y = 0;
  std::string asset;   // LeafletAsset: the file's path below Leaflet's directory
  int status = 0;      // Refused: 400 (malformed) or 404 (no such path)
  std::string reason;  // Refused: one line
};

// Parses a request target. Never throws for any input.
TileRequest ParseRequestTarget(std::string_view target);

}  // namespace kxhost

#endif  // KX_TILE_SERVER_TILE_REQUEST_H
