// Building DecodeBuffer records with memory of their own, in any layout a
// host may hand a stage, addressed as the record itself declares:
//   pBits + row x rowbytes + column x stride x (bytes per sample) + smap[s].
// Sample values travel as uint32_t bit patterns (see syntheticSamples.h).
#ifndef KELVANE_FAKES_DECODE_BUFFER_BUILDER_H
#define KELVANE_FAKES_DECODE_BUFFER_BUILDER_H

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "kelvane/kx_lib_sp_xform.h"

namespace Kelvane::Fakes {

// The layout of a buffer to build.
struct BufferLayout {
  uint32_t colorSpace = KX_CS_RGB;
  uint32_t spp = 3;
  uint32_t type = KX_TYPE_U8;
  uint32_t order = 0;       // 0 pixel-interleaved, 1 band-sequential
  uint32_t stride = 0;      // samples per pixel step in order 0; 0 means spp (order 1 always uses 1)
  uint32_t align = 1;       // row alignment in bytes, order 0 only
  uint32_t rowPadding = 0;  // extra bytes at the end of every row, after alignment
  // Slot of each sample: its position within the pixel (order 0, below the
  // stride) or its plane number (order 1). Empty means sample s in slot s.
  std::vector<uint32_t> slots;
  uint8_t fill = 0xCD;  // initial value of every pixel byte

  // Densely packed layouts in the colour space that names spp bands.
  static BufferLayout Interleaved(uint32_t spp, uint32_t type, uint32_t order = 0) {
    BufferLayout layout;
    layout.colorSpace = spp == 1 ? KX_CS_GREY : spp == 3 ? KX_CS_RGB : KX_CS_MULTIBAND;
    layout.spp = spp;
    layout.type = type;
    layout.order = order;
    return layout;
  }
  static BufferLayout BandSequential(uint32_t spp, uint32_t type) { return Interleaved(spp, type, 1); }
  // Three samples in a pixel of four, bands reversed, rows aligned to 8 bytes
  // and `rowPadding` more.
  static BufferLayout Scattered(uint32_t type, uint32_t rowPadding) {
    BufferLayout layout = Interleaved(3, type);
    layout.stride = 4;
    layout.slots = {2, 1, 0};
    layout.align = 8;
    layout.rowPadding = rowPadding;
    return layout;
  }
};

inline Scene MakeScene(double ulx, double uly, double width, double height, double mag = 1.0) {
  return Scene{ulx, uly, width, height, mag};
}
// floor(extent + 0.5), as every buffer counts its columns and rows.
inline uint32_t ColumnsOf(const Scene& scene) { return static_cast<uint32_t>(std::floor(scene.width + 0.5)); }
inline uint32_t RowsOf(const Scene& scene) { return static_cast<uint32_t>(std::floor(scene.height + 0.5)); }

// A record for `scene` and `layout` with rowbytes and sample map worked out
// and no pixel memory. Throws std::invalid_argument for a layout that cannot
// be built (unknown type or order, more than 256 samples, a slot outside the
// pixel).
DecodeBuffer MakeDecodeRecord(const Scene& scene, const BufferLayout& layout);

// Address of sample s of pixel (x, y) of a buffer with pixel memory.
uint8_t* SampleAddress(const DecodeBuffer& buffer, uint32_t s, uint32_t x, uint32_t y);

// Calls visit(x, y, s) for every sample of the scene's pixels, row by row,
// until it returns false.
template <typename Visit>
void ForEachSample(const Scene& scene, uint32_t spp, Visit&& visit) {
  for (uint32_t y = 0; y < RowsOf(scene); ++y) {
    for (uint32_t x = 0; x < ColumnsOf(scene); ++x) {
      for (uint32_t s = 0; s < spp; ++s) {
        if (!visit(x, y, s)) return;
      }
    }
  }
}

// Empty when expected(x, y, s) matches every sample of the buffer's scene;
// otherwise describes the first difference.
std::string FirstSampleMismatch(const DecodeBuffer& buffer,
                                const std::function<uint32_t(uint32_t x, uint32_t y, uint32_t s)>& expected);

// A DecodeBuffer that owns its pixel memory. The memory is filled with the
// layout's fill byte and followed by guard bytes, so writes past the
// declared layout are caught by guardIntact().
class OwnedDecodeBuffer {
 public:
  OwnedDecodeBuffer(const Scene& scene, const BufferLayout& layout);
  OwnedDecodeBuffer(const OwnedDecodeBuffer&) = delete;
  OwnedDecodeBuffer& operator=(const OwnedDecodeBuffer&) = delete;
  OwnedDecodeBuffer(OwnedDecodeBuffer&&) = default;
  OwnedDecodeBuffer& operator=(OwnedDecodeBuffer&&) = default;

  DecodeBuffer* get() { return &record_; }
  const DecodeBuffer& record() const { return record_; }
  uint8_t* bytes() { return memory_.data(); }
  const uint8_t* bytes() const { return memory_.data(); }
  size_t byteSize() const { return byteSize_; }

  // Sample s of pixel (x, y).
  uint32_t sample(uint32_t x, uint32_t y, uint32_t s) const;
  void setSample(uint32_t x, uint32_t y, uint32_t s, uint32_t bits);
  bool guardIntact() const;

 private:
  static constexpr size_t kGuardBytes = 64;
  static constexpr uint8_t kGuardByte = 0xA5;

  DecodeBuffer record_;
  std::vector<uint8_t> memory_;  // byteSize_ pixel bytes, then the guard
  size_t byteSize_ = 0;
};

}  // namespace Kelvane::Fakes

#endif  // KELVANE_FAKES_DECODE_BUFFER_BUILDER_H
