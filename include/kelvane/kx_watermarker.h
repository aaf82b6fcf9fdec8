// Interfaces of the watermarker stage, which stamps a watermark image into
// the bottom-right corner of every buffer it decodes, converted into the
// buffer's colour space, sample type and layout. Each interface is its own
// table; slots 0 to 2 are IUnknown's and forward to the object's outer unknown.
#ifndef KELVANE_KX_WATERMARKER_H
#define KELVANE_KX_WATERMARKER_H

#include "kelvane/kx_ids.h"
#include "kelvane/kx_platform_types.h"
#include "kelvane/kx_records.h"

namespace Kelvane {

// Compositing modes; only the plain stamp is served.
enum KxWatermarkMode : uint32_t {
  KX_WATERMARK_REPLACE = 0,  // the watermark's pixels replace the pixels under it
};

// Configures the watermark stamped on every decode.
struct IKxWatermarkerImp : IUnknown {
  // Stores a copy of `watermark`: its scene's width and height, its format and
  // its pixels (read once, here). E_FAIL for a null record; E_INVALIDARG,
  // with nothing read and the previous watermark kept, for a record without
  // pixel memory or whose samples do not all lie inside the rows it declares.
  virtual HRESULT KX_STDCALL SetWatermark(const DecodeBuffer* watermark) = 0;  // 3
  // Only KX_WATERMARK_REPLACE is accepted; any other gives E_INVALIDARG.
  virtual HRESULT KX_STDCALL SetWatermarkMode(uint32_t mode) = 0;  // 4

 protected:
  ~IKxWatermarkerImp() = default;
};

// Stamps one buffer; keeps no state.
struct IKxWatermarker : IUnknown {
  // Overwrites the bottom-right corner of `destination` with `watermark`
  // (its top-left part when it is larger), converted by the module's
  // colour-space transformers. S_OK with nothing written for a null
  // watermark or one without pixels. E_INVALIDARG for a destination without
  // pixel memory or either buffer whose samples do not all lie inside its
  // rows; E_FAIL for another mode or a pair of buffers no transformer converts.
  // Nothing is written on failure.
  virtual HRESULT KX_STDCALL Composite(DecodeBuffer* destination, const DecodeBuffer* watermark,
                                       uint32_t mode) = 0;  // 3

 protected:
  ~IKxWatermarker() = default;
};

}  // namespace Kelvane

#endif  // KELVANE_KX_WATERMARKER_H
