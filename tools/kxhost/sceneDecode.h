// The scene a render asks for, decoded through the head of its chain into
// one buffer: whole or in tiles on several threads, or as a map rectangle
// through the cache's geo decode.
#ifndef KXHOST_SCENE_DECODE_H
#define KXHOST_SCENE_DECODE_H

#include <cstdint>
#include <string>
#include <vector>

#include "hostChain/kelvaneApi.h"
#include "hostChain/renderSettings.h"

namespace kxhost {

struct DecodedScene {
  RasterProps props;  // what the head of the chain reports
  Scene scene;        // its corner and size in whole pixels
  BufferFormat format;
  std::vector<uint8_t> pixels;
};

// Places the scene on what `head` reports, decodes it with a progress bar
// and fills `decoded`; false with a one-line reason.
bool DecodeRenderScene(const RenderSettings& settings, IKxContentImp* head, DecodedScene* decoded, std::string* error);

}  // namespace kxhost

#endif  // KXHOST_SCENE_DECODE_H
