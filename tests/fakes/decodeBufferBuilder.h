// Building DecodeBuffer records with memory of their own, in any layout a
// host may hand a stage, and reading and writing single samples of any
// DecodeBuffer through the record's own addressing:
//   pBits + row x rowbytes + column x stride x (bytes per sample) + smap[s].
// Sample values travel as uint32_t bit patterns (see syntheticSamples.h).
#ifndef KELVANE_FAKES_DECODE_BUFFER_BUILDER_H
#define KELVANE_FAKES_DECODE_BUFFER_BUILDER_H

#include <cstddef>
#include <cstdint>
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
  uint32_t bps = 0;     // 0 means the full width of the type
  uint8_t fill = 0xCD;  // initial value of every pixel byte

  static BufferLayout Interleaved(uint32_t spp, uint32_t type);
  static BufferLayout BandSequential(uint32_t spp, uint32_t type);
};

Scene MakeScene(double ulx, double uly, double width, double height, double mag = 1.0);
// floor(extent + 0.5), as every buffer counts its columns and rows.
uint32_t ColumnsOf(const Scene& scene);
uint32_t RowsOf(const Scene& scene);

// A record for `scene` and `layout` with rowbytes and sample map worked out
// and no pixel memory. Throws std::invalid_argument for a layout that cannot
// be built (unknown type or order, more than 256 samples, a slot outside the
// pixel).
DecodeBuffer MakeDecodeRecord(const Scene& scene, const BufferLayout& layout);
// Bytes the pixel memory of such a record spans.
size_t LayoutByteSize(const DecodeBuffer& record, const BufferLayout& layout);

// Reads / writes sample s of pixel (x, y) of any buffer with pixel memory.
uint32_t ReadSample(const DecodeBuffer& buffer, uint32_t s, uint32_t x, uint32_t y);
void WriteSample(DecodeBuffer& buffer, uint32_t s, uint32_t x, uint32_t y, uint32_t bits);

// Empty when expected(x, y, s) matches every sample of the buffer's scene;
// otherwise describes the first difference.
using ExpectedSampleFn = std::function<uint32_t(uint32_t x, uint32_t y, uint32_t s)>;
std::string FirstSampleMismatch(const DecodeBuffer& buffer, const ExpectedSampleFn& expected);

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
  uint32_t columns() const { return ColumnsOf(record_.scene); }
  uint32_t rows() const { return RowsOf(record_.scene); }

  uint32_t sample(uint32_t x, uint32_t y, uint32_t s) const { return ReadSample(record_, s, x, y); }
  void setSample(uint32_t x, uint32_t y, uint32_t s, uint32_t bits) { WriteSample(record_, s, x, y, bits); }
  // Sets every pixel byte to `value` (the guard is untouched).
  void fill(uint8_t value);
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
