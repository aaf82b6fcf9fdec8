// The entity tag of a served tile: the same tile of the same chain over the
// same source file always gets the same tag, anything else another.
#ifndef KX_TILE_SERVER_TILE_ETAG_H
#define KX_TILE_SERVER_TILE_ETAG_H

#include <cstdint>
#include <string>

namespace kxhost {

// A strong, quoted tag ("\"<16 hex digits>\"") of 64-bit FNV-1a over the
// chain's identity and the tile's level, column and row.
std::string TileEtag(const std::string& chainIdentity, uint32_t z, uint32_t x, uint32_t y);

// Whether an If-None-Match header value names `etag` (a list of tags, or "*").
bool EtagMatches(const std::string& ifNoneMatch, const std::string& etag);

}  // namespace kxhost

#endif  // KX_TILE_SERVER_TILE_ETAG_H
