// Request targets as any client may send them, through the tile server's
// parser and, for the tiles it accepts, the tile scheme of a few image
// sizes. Every target is accepted or refused with 400 or 404 and a reason;
// an accepted one holds no escape and no dot segment in its path, and its
// numbers are the digits it was sent with.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "tileServer/tileRequest.h"
#include "tileServer/tileScheme.h"

namespace {

void check(bool holds) {
  if (!holds) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kxhost;
  const std::string target(reinterpret_cast<const char*>(data), size);
  const TileRequest request = ParseRequestTarget(target);
  if (request.kind == RequestKind::Refused) {
    check(request.status == 400 || request.status == 404);
    check(!request.reason.empty());
    return 0;
  }
  // What is accepted is plain.
  const std::string path = target.substr(0, target.find('?'));
  check(target.size() <= kMaxRequestTarget);
  check(path.find('%') == std::string::npos);
  check(path.find("/../") == std::string::npos && path.find("/./") == std::string::npos);
  check(path.find("//") == std::string::npos);
  if (request.kind != RequestKind::Tile) return 0;

  // The tile's numbers are the ones sent, and every scheme answers for them.
  check(path == "/tiles/" + std::to_string(request.z) + "/" + std::to_string(request.x) + "/" +
                    std::to_string(request.y) + ".png");
  for (const uint32_t side : {1u, 256u, 257u, 70000u, 4294967295u}) {
    const TileScheme scheme(side, side / 3 + 1);
    if (!scheme.contains(request.z, request.x, request.y)) continue;
    const Scene scene = scheme.sceneOf(request.z, request.x, request.y);
    check(scene.ulx < static_cast<double>(side) && scene.mag > 0.0 && scene.mag <= 1.0);
  }
  return 0;
}
