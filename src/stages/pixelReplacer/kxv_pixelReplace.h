// Replacing one pixel value by another in a pixel-interleaved buffer, byte
// for byte. A pixel here is `spp` samples of (bps + 7) / 8 bytes read from
// the pixel's first byte, whatever the sample map says, so samples of any
// type compare exactly.
#ifndef KELVANE_STAGES_PIXEL_REPLACER_KXV_PIXEL_REPLACE_H
#define KELVANE_STAGES_PIXEL_REPLACER_KXV_PIXEL_REPLACE_H

#include <cstddef>
#include <cstdint>
#include <optional>

#include "kelvane/kx_records.h"

namespace Kelvane {

// The pixels of a buffer as rows of whole pixels. Built by pixelRowsOf, so
// every pixel it names lies inside the buffer's declared memory.
struct KxvPixelRows {
  uint8_t* first = nullptr;  // first byte of pixel (0, 0)
  uint32_t columns = 0;
  uint32_t rows = 0;
  size_t pixelBytes = 0;  // bytes compared and written per pixel
  size_t pixelStep = 0;   // bytes from one pixel to the next, at least pixelBytes
  size_t rowStep = 0;     // bytes from one row to the next
};

// Bytes of one pixel of a format: spp x ((bps + 7) / 8), in 64 bits.
uint64_t pixelBytesOf(const BufferFormat& format);

// The rows of a pixel-interleaved buffer with pixel memory; empty when its
// layout is refused: an extent that cannot be counted, pixels wider than
// their step (they would overlap), rows shorter than their pixels, or a
// byte size beyond the address space.
std::optional<KxvPixelRows> pixelRowsOf(const DecodeBuffer& buffer);

// Overwrites with `to` every pixel whose bytes equal `from`, or every pixel
// when `from` is null. Both hold rows.pixelBytes bytes. The common pixel
// sizes run a kernel of that fixed size; `fastPaths` false runs the plain
// byte-wise loop for every size (the reference the fast paths are checked
// against).
void replacePixelRows(const KxvPixelRows& rows, const uint8_t* from, const uint8_t* to, bool fastPaths = true);

// The whole operation on a host's buffer: E_INVALIDARG for a null buffer or
// `to`, a band-sequential buffer, or a layout pixelRowsOf refuses (nothing
// is written then); S_OK otherwise, at once for a buffer without rows or
// columns.
HRESULT replacePixels(DecodeBuffer* buffer, const void* from, const void* to);

}  // namespace Kelvane

#endif  // KELVANE_STAGES_PIXEL_REPLACER_KXV_PIXEL_REPLACE_H
