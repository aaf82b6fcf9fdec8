// Decoding a scene through a chain, whole or as tiles on several threads.
#ifndef KXHOST_TILE_RENDERER_H
#define KXHOST_TILE_RENDERER_H

#include <cstddef>
#include <cstdint>
#include <functional>

#include "hostChain/kelvaneApi.h"

namespace kxhost {

// `whole` names the scene (its corner in whole pixels), the pixel memory for
// all of it and its layout. With tileSize 0 the scene is one decode; otherwise
// it is cut into tileSize x tileSize tiles (smaller at the right and bottom
// edges) that `threads` threads decode concurrently, each straight into its
// part of the pixel memory.
struct RenderJob {
  IKxContentImp* head = nullptr;
  DecodeBuffer whole;
  uint32_t tileSize = 0;
  uint32_t threads = 1;
};

// Called after each finished decode with the number done and the total.
using RenderProgress = std::function<void(size_t done, size_t total)>;

// The first failing decode's status (later tiles are not started) and its
// scene in `failedScene`; S_OK when every decode succeeded.
HRESULT RenderScene(const RenderJob& job, const RenderProgress& progress, Scene* failedScene);

// Number of decodes the job makes.
size_t RenderDecodeCount(const RenderJob& job);

}  // namespace kxhost

#endif  // KXHOST_TILE_RENDERER_H
