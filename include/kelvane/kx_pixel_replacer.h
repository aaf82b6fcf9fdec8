// Interfaces of the pixel replacer stage, which replaces every decoded pixel
// equal to a key value by another value, and offers keyed merges of buffers a
// host already holds. Each interface is its own table; slots 0 to 2 are
// IUnknown's and forward to the object's outer unknown. The object answers
// IID_IKxPixelReplacer and IID_IKxPixelReplacer2 with the one extended table.
//
// A pixel of a buffer is `spp` samples of (bps + 7) / 8 bytes each, read from
// the pixel's first byte; pixels lie `stride` samples apart. Merges address
// samples through the buffer's sample map instead, and a merge key holds one
// sample of the buffers' type per band.
#ifndef KELVANE_KX_PIXEL_REPLACER_H
#define KELVANE_KX_PIXEL_REPLACER_H

#include "kelvane/kx_ids.h"
#include "kelvane/kx_platform_types.h"
#include "kelvane/kx_records.h"

namespace Kelvane {

// Operation codes of MergeKeyed. Any other code writes nothing and succeeds.
enum KxMergeOperation : uint32_t {
  KX_MERGE_KEY_EXACT = 3,     // the replacement where the source equals the key in every band
  KX_MERGE_KEY_TOLERANT = 9,  // the replacement where the source is near the key and the replacement is not
  KX_MERGE_COPY_SOURCE = 11,  // the whole source
};

// Buffer operations; they keep no state and need no configuration.
struct IKxPixelReplacer : IUnknown {
  // Copies every overlay pixel that is not the key colour into the target;
  // where the overlay shows the key the target keeps its pixel. A null key
  // copies the whole overlay.
  virtual HRESULT KX_STDCALL ReplaceKeyColor(DecodeBuffer* target, const DecodeBuffer* overlay,
                                             const void* key) = 0;  // 3
  // Overwrites every pixel whose bytes equal `from` with `to` (each one
  // pixel's bytes); a null `from` fills the whole buffer. Pixel-interleaved
  // buffers only.
  virtual HRESULT KX_STDCALL ReplacePixels(DecodeBuffer* buffer, const void* from, const void* to) = 0;  // 4

 protected:
  ~IKxPixelReplacer() = default;
};

struct IKxPixelReplacer2 : IKxPixelReplacer {
  // Writes into `destination`, pixel by pixel, either the source's or the
  // replacement's samples as `operation` decides. All three buffers have one
  // sample type and size; the source and the replacement hold at least the
  // destination's bands. The tolerant key's reach grows as the source's and
  // replacement's magnifications shrink. A null key copies the source.
  virtual HRESULT KX_STDCALL MergeKeyed(DecodeBuffer* destination, const DecodeBuffer* source,
                                        const DecodeBuffer* replacement, const void* key,
                                        uint32_t operation) = 0;  // 5

 protected:
  ~IKxPixelReplacer2() = default;
};

// Configures the replacement applied to every decode.
struct IKxPixelReplacerImp : IUnknown {
  // Stores copies of one pixel each of `from` and `to`; only `spp` and `bps`
  // of the format are read. Decodes then need buffers of that pixel size.
  virtual HRESULT KX_STDCALL SetReplacement(const BufferFormat* format, const void* from,
                                            const void* to) = 0;  // 3
  // Lets the upstream source decode `buffer`, then replaces `from` by `to` in it.
  virtual HRESULT KX_STDCALL DecodeAndReplace(DecodeBuffer* buffer, const void* from, const void* to, uint32_t quality,
                                              void* third) = 0;  // 4

 protected:
  ~IKxPixelReplacerImp() = default;
};

}  // namespace Kelvane

#endif  // KELVANE_KX_PIXEL_REPLACER_H
