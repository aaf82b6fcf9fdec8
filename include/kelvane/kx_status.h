// Status codes: the module's own component statuses and the library status
// numbers, with the rule by which a library status leaves a component method.
#ifndef KELVANE_KX_STATUS_H
#define KELVANE_KX_STATUS_H

#include "kelvane/kx_platform_types.h"

namespace Kelvane {

// Component statuses of this module (negative = failure).
inline constexpr HRESULT KX_E_CLASS_KEY = static_cast<HRESULT>(0x800480EAu);        // class key cannot be created
inline constexpr HRESULT KX_E_INVALID_BUFFER = static_cast<HRESULT>(0x80040401u);   // buffer failed validation
inline constexpr HRESULT KX_E_NO_PIXEL_MEMORY = static_cast<HRESULT>(0x80040402u);  // buffer without pixel memory
inline constexpr HRESULT KX_E_GEO_MISMATCH = static_cast<HRESULT>(0x80041281u);     // geo reference/size mismatch

// Library status numbers (internal results and KxUtilException codes).
enum KxStatus : uint32_t {
  KX_STATUS_SUCCESS = 0,
  KX_STATUS_FAILURE = 1,  // general failure; nothing done
  KX_STATUS_OUT_OF_MEMORY = 8,
  KX_STATUS_DIRECTORY = 3032,  // directory cannot be created, or path invalid
  KX_STATUS_NO_PATH_OR_MODE = 145003,
  KX_STATUS_BAD_ARGUMENT = 145011,
  KX_STATUS_WRONG_STREAM_STATE = 145012,
  KX_STATUS_BLOCK_ALLOCATION = 145013,  // a memory block cannot be grown or allocated
  KX_STATUS_COLOR_SPACES = 15001,       // wrong colour spaces for a colour-space transformer
  KX_STATUS_SAMPLE_SIZE = 15002,        // description's sample size does not match the operator
  KX_STATUS_FLOAT_RANGE = 15003,        // floating-point range not positive
  KX_STATUS_CANNOT_COPY = 15004,        // the two colour spaces cannot be copied
  KX_STATUS_NO_DATA = 15005,            // a raster has no data
  KX_STATUS_NOT_INDEXED = 15006,        // not one integer index per pixel of its lookup table
  KX_STATUS_TRANSPOSE_MODE = 15008,     // transposition mode is not 0 to 4
};

// A non-zero library status leaves a component method combined with 0x80040000.
inline constexpr HRESULT KxStatusToResult(uint32_t status) {
  return status == 0 ? S_OK : static_cast<HRESULT>(0x80040000u | status);
}

}  // namespace Kelvane

#endif  // KELVANE_KX_STATUS_H
