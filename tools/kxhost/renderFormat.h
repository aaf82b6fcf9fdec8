// The buffer kxhost decodes a scene into, from what the head of its chain
// reports: the sample type and a pixel-interleaved, tightly packed layout.
#ifndef KXHOST_RENDER_FORMAT_H
#define KXHOST_RENDER_FORMAT_H

#include <cstdint>
#include <string>

#include "kxhost/kelvaneApi.h"

namespace kxhost {

// The output sample type for what the chain's head reports.
uint32_t RenderSampleType(const RasterProps& props);

// Pixel-interleaved, tightly packed rows of `scene`'s width; false when a row
// would not fit the record's byte count.
bool RenderBufferFormat(const RasterProps& props, const Scene& scene, BufferFormat* format, std::string* error);

}  // namespace kxhost

#endif  // KXHOST_RENDER_FORMAT_H
