// Writes the synthetic image into a caller's DecodeBuffer in whatever layout
// the buffer declares: either order, any stride, sample map, row bytes and
// host sample type.
#ifndef KELVANE_FAKES_SCENE_WRITER_H
#define KELVANE_FAKES_SCENE_WRITER_H

#include <cmath>
#include <cstdint>
#include <vector>

#include "kelvane/kx_lib_sp_xform.h"

namespace Kelvane::Fakes {

// The image a fake source serves: its size at magnification 1, its band count
// and the background value of each band (missing entries are 0).
struct SyntheticImage {
  uint32_t width = 0;
  uint32_t height = 0;
  uint32_t numBands = 0;
  const std::vector<double>* background = nullptr;
};

// Image extent at a magnification: floor(size * mag + 0.5).
inline int64_t ScaledExtent(uint32_t size, double mag) { return static_cast<int64_t>(std::floor(size * mag + 0.5)); }

// Checks the buffer as a source would before touching its memory and, when
// it is sound, writes the scene. Sample s of the buffer is band s, or
// bandMap[s] when a map is given. Buffer pixel (i, j) is image pixel
// (floor(ulx + 0.5) + i, floor(uly + 0.5) + j) at the buffer's magnification;
// pixels outside the image get the background. E_INVALIDARG for a null buffer
// or pixel memory, an unknown type or order, a zero stride, a negative sample
// offset, a non-finite or out-of-range scene, or samples that name no band.
HRESULT WriteSyntheticScene(const DecodeBuffer* buffer, const SyntheticImage& image, const uint16_t* bandMap);

// Fills the first pixel of the buffer with the background of bands 0 to
// spp - 1, with the same checks (the buffer's scene is not read).
HRESULT WriteBackgroundPixel(const DecodeBuffer* buffer, const SyntheticImage& image);

}  // namespace Kelvane::Fakes

#endif  // KELVANE_FAKES_SCENE_WRITER_H
