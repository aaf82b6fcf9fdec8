// The buffer kxhost decodes a scene into, from what the head of its chain
// reports: the sample type and a pixel-interleaved, tightly packed layout.
#ifndef KX_HOST_CHAIN_RENDER_FORMAT_H
#define KX_HOST_CHAIN_RENDER_FORMAT_H

#include <gdal.h>

#include <cstdint>
#include <string>

#include "hostChain/kelvaneApi.h"

namespace kxhost {

// The output sample type for what the chain's head reports.
uint32_t RenderSampleType(const RasterProps& props);

// The GDAL type a rendered sample is stored as; signed 8-bit samples are
// Byte, which an output file flags as signed.
GDALDataType StoredGdalType(uint32_t hostType);

// Pixel-interleaved, tightly packed rows of `scene`'s width; false when a row
// would not fit the record's byte count.
bool RenderBufferFormat(const RasterProps& props, const Scene& scene, BufferFormat* format, std::string* error);

// Whether a scene's samples in `format` stay within what kxhost holds in
// memory; false with a one-line reason naming `what` otherwise. A whole
// scene is held for the output file, so a tiny file claiming a huge image
// would otherwise cost its whole size before anything could fail.
bool FitsInMemory(const Scene& scene, const BufferFormat& format, const std::string& what, std::string* error);

}  // namespace kxhost

#endif  // KX_HOST_CHAIN_RENDER_FORMAT_H
