// Interfaces of the transposer stage, which presents its upstream source
// turned clockwise by quarter turns. Each interface is its own table; slots 0
// to 2 are IUnknown's and forward to the object's outer unknown.
#ifndef KELVANE_KX_TRANSPOSER_H
#define KELVANE_KX_TRANSPOSER_H

#include "kelvane/kx_ids.h"
#include "kelvane/kx_platform_types.h"
#include "kelvane/kx_records.h"

namespace Kelvane {

// Turns the pixels of one buffer into another.
struct IKxTransposer : IUnknown {
  // Writes `source` turned clockwise by `angle` (90, 180 or 270) into
  // `destination`. Both buffers need pixel memory, the same colour space,
  // sample count, sample type (unsigned 8 or 16 bits) and bits per sample,
  // and the destination must have the turned shape; otherwise nothing is
  // written and the status is E_INVALIDARG (E_FAIL for another angle or type).
  virtual HRESULT KX_STDCALL Transpose(const DecodeBuffer* source, DecodeBuffer* destination,
                                       uint32_t angle) = 0;  // 3

 protected:
  ~IKxTransposer() = default;
};

// Configures the stage.
struct IKxTransposerImp : IUnknown {
  // Stores the clockwise angle in degrees (any value; only 0, 90, 180 and 270
  // decode) and refreshes the reported properties. Always S_OK.
  virtual HRESULT KX_STDCALL SetRotation(uint32_t angle) = 0;  // 3

 protected:
  ~IKxTransposerImp() = default;
};

}  // namespace Kelvane

#endif  // KELVANE_KX_TRANSPOSER_H
