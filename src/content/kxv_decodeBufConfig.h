// KxvDecodeBufConfig: the operations by which stages set up, re-lay, allocate,
// address and check a DecodeBuffer. The buffer is plain data owned by its
// caller; these operations keep no state of their own. Pixel memory obtained
// by alloc belongs to the buffer's owner, who frees it with ReleaseBits.
//
// Invariants kept by every layout setter: `rowbytes` matches the scene width
// and the layout, and the first `spp` entries of `smap` address the samples
// (byte offsets within a pixel in order 0, plane offsets from pBits in
// order 1). Only the first 256 samples are ever addressed, because `smap` has
// 256 entries whatever `spp` a host writes.
#ifndef KELVANE_CONTENT_KXV_DECODE_BUF_CONFIG_H
#define KELVANE_CONTENT_KXV_DECODE_BUF_CONFIG_H

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

#include "kelvane/kx_interfaces.h"
#include "kelvane/kx_records.h"

namespace Kelvane {

// Reasons why a buffer differs from what a source delivers are the
// capability bits (KxCapability) of the differences the source does not
// handle, plus this one, which no capability covers: the buffer cannot be
// addressed at all (a scene value that is not finite, a negative extent, a
// magnification not above 0, more than kMaxExtent columns or rows, or pixel
// memory whose declared rows are shorter than one row of the scene or whose
// size exceeds the address space).
inline constexpr uint32_t KXV_REASON_UNUSABLE = 0x10000;

// One sample index (band number) per entry of a sample map.
using KxvSampleIndices = std::array<uint8_t, 256>;

class KxvDecodeBufConfig {
 public:
  // Entries of a sample map; samples beyond it are never addressed.
  static constexpr uint32_t kMaxSamples = 256;
  // Largest number of columns or rows a scene may hold.
  static constexpr uint32_t kMaxExtent = 0x7FFFFFFF;

  // Clears the record, copies scene and format, sets the fixed fields (size
  // 1120, resultCode 1, no pixel memory) and re-derives `rowbytes` and
  // `smap`, keeping the sample order the format's map describes.
  static void InitFromFormat(DecodeBuffer& buffer, const Scene& scene, const BufferFormat& format);
  // The same with a pixel-interleaved, unaligned format derived from the
  // source's properties and an identity sample map.
  static void InitFromProps(DecodeBuffer& buffer, const Scene& scene, const RasterProps& props);

  // Allocates pixel memory for the current layout and gives its size; gives 0
  // with nothing changed when memory is already attached, and 0 with pBits
  // null when the size is 0, exceeds the address space or cannot be
  // allocated. Writes a warning to `sink` (may be null) for the first two.
  static size_t alloc(DecodeBuffer& buffer, IKxLogSink* sink);
  // Frees memory obtained by alloc and clears pBits.
  static void ReleaseBits(DecodeBuffer& buffer);

  // Layout setters. Each does nothing when the value is already stored and
  // otherwise re-derives `rowbytes` and an identity `smap` where the layout
  // changed.
  static void SetColorSpace(DecodeBuffer& buffer, uint32_t colorSpace);
  static void SetDataType(DecodeBuffer& buffer, uint32_t type);
  // Taken modulo 256; refused above the widest `bps` of the buffer's type.
  static void SetBitsPerSample(DecodeBuffer& buffer, uint32_t bits);
  // Ignored in order 1. An alignment of 0 counts as 1.
  static void SetAlign(DecodeBuffer& buffer, uint32_t bytes);
  static void SetOrder(DecodeBuffer& buffer, uint32_t order);
  // Sets `smap` from one sample index per sample (`spp` entries, at most 256
  // read); null means the identity 0, 1, ..., spp - 1.
  static void SetSampleMap(DecodeBuffer& buffer, const uint8_t* indices);

  // The band index of each sample of a format: every offset divided by the
  // smallest non-zero distance from sample 0. When all samples share sample
  // 0's offset the map carries no order, and the identity is given.
  static KxvSampleIndices GetSampleIndices(const BufferFormat& format);

  // Bytes from one row to the next for the buffer's scene width in `format`;
  // 0 for an order other than 0 and 1, an unusable width, or a row that does
  // not fit the 32-bit `rowbytes` field.
  static uint32_t ComputeRowBytes(const DecodeBuffer& buffer, const BufferFormat& format);
  // Bytes of pixel memory the buffer's layout needs, computed in 64 bits; 0
  // when that size cannot be addressed (unusable scene, beyond the address
  // space) or the order is neither 0 nor 1.
  static uint64_t GetByteSize(const DecodeBuffer& buffer);

  // Address of a sample of the pixel at (column, row); null without pixel
  // memory, for an unknown type, or for a sample beyond the map.
  static uint8_t* GetSampleAddress(const DecodeBuffer& buffer, uint32_t sample, uint32_t column, uint32_t row);
  // The first byte of a sample (column and row 0).
  static uint8_t* GetSampleAddress(const DecodeBuffer& buffer, uint32_t sample);

  // Reason bits 0x1, 0x2, 0x4 and 0x20 for the buffer's scene against the
  // source, or KXV_REASON_UNUSABLE alone for a scene that cannot be used.
  // Raises KxUtilException(KX_STATUS_OUT_OF_MEMORY) when the source's properties cannot be copied.
  static uint32_t checkScene(const DecodeBuffer& buffer, const RasterProps& props, IKxLogSink* sink);
  // The full reason mask of the buffer against the layout `format` a stage
  // delivers from a source with `props`. A buffer with pixel memory is never
  // changed. A buffer without pixel memory and with reasons is rewritten
  // towards what can be delivered (layout, scene, magnification) unless it is
  // unusable; the reasons are still returned. Raises KxUtilException(KX_STATUS_OUT_OF_MEMORY) when
  // the source's properties cannot be copied.
  static uint32_t CheckBuffer(DecodeBuffer& buffer, const BufferFormat& format, const RasterProps& props,
                              IKxLogSink* sink);

  // Bytes of one sample of a host sample type; 0 for an unknown type.
  static uint32_t BytesPerSample(uint32_t type) { return KxHostSampleBytes(type); }
  // Widest `bps` a sample type holds; 0 when the type sets no limit.
  static uint32_t WidestBitsPerSample(uint32_t type);
  // Columns and rows of a scene (floor of extent + 0.5); empty for an extent
  // that is not finite, is negative, or gives more than kMaxExtent.
  static std::optional<uint32_t> ExtentCount(double extent);
  // Columns and rows a buffer holds (ExtentCount of its scene's width and
  // height); empty when either cannot be counted.
  struct PixelExtent {
    uint32_t columns = 0;
    uint32_t rows = 0;
  };
  static std::optional<PixelExtent> PixelExtentOf(const DecodeBuffer& buffer);
  // Whether every value of the scene is finite, its extents give usable
  // counts and its magnification is above 0.
  static bool IsSceneUsable(const Scene& scene);
  // Whether the layout is well formed and every sample of every pixel of the
  // scene lies inside the bytes it declares, no two samples sharing a byte. In
  // order 0 each sample keeps to its pixel's step and pixels keep to their
  // row; in order 1 each band's plane keeps to the declared memory and rows to
  // their pitch. Operations that write a caller's buffer check it first.
  static bool SamplesFitLayout(const DecodeBuffer& buffer);
  // Whether the pixel stride agrees with the order. Band-sequential planes
  // hold their samples side by side: their rows and sizes are worked out
  // with no stride, and the raster library steps one sample from pixel to
  // pixel, so a band-sequential buffer of any other stride than 1 cannot be
  // served alike everywhere and is refused everywhere.
  static bool StrideFitsOrder(const BufferFormat& format) {
    return format.order != KX_ORDER_BAND_SEQUENTIAL || format.stride == 1;
  }
  // Whether `after` describes the same pixels as `before`: the same scene,
  // size field, pixel memory and format, byte for byte. A host handed a
  // stage's own record may write its pixels and result fields, nothing else.
  static bool SameRecordLayout(const DecodeBuffer& before, const DecodeBuffer& after);
  // The layout differences of `have` from `want` that `flags` do not cover:
  // 0 when a source of those capabilities writes `have` as it is.
  static uint32_t LayoutReasons(const BufferFormat& have, const BufferFormat& want, uint32_t flags);

 private:
  // Row bytes of `format` for `scene`, aligned or not; empty when the width
  // is unusable or the row exceeds 32 bits.
  static std::optional<uint32_t> RowBytes(const Scene& scene, const BufferFormat& format, bool aligned);
  // Byte size of the buffer's layout; empty when it cannot be addressed.
  static std::optional<uint64_t> TryByteSize(const DecodeBuffer& buffer);
  // Recomputes `rowbytes` for the scene and re-bases `smap` on it, keeping
  // the sample order the map describes.
  static void RefitToScene(DecodeBuffer& buffer);
  // Recomputes `rowbytes` and rebuilds an identity `smap`.
  static void Rederive(DecodeBuffer& buffer);
  // Whether attached pixel memory can hold the declared layout: rows at
  // least one scene row long and a size within the address space.
  static bool FitsDeclaredMemory(const DecodeBuffer& buffer);
  // Whether the samples of `have` sit where `want` puts them.
  static bool SameSampleMap(const BufferFormat& have, const BufferFormat& want);
  // Rewrites a buffer without pixel memory towards `wanted` and the source.
  static void AdaptToFormat(DecodeBuffer& buffer, const BufferFormat& wanted, const RasterProps& props,
                            uint32_t reasons);
};

}  // namespace Kelvane

#endif  // KELVANE_CONTENT_KXV_DECODE_BUF_CONFIG_H
