// The description of a served chain that /info.json answers: the image's
// size after any turn, its bands, the tile pyramid and each link of the
// chain with its settings, bottom first.
#ifndef KX_TILE_SERVER_INFO_JSON_H
#define KX_TILE_SERVER_INFO_JSON_H

#include <string>

#include "tileServer/servedChain.h"

namespace kxhost {

// The JSON text; `canWatermark` tells whether the server stamps tiles at
// all (whether watermark=on has an effect). Never throws.
std::string InfoJson(const ServedChain& served, bool canWatermark);

}  // namespace kxhost

#endif  // KX_TILE_SERVER_INFO_JSON_H
