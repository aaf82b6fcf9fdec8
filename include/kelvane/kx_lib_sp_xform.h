// Umbrella header of the kx_lib_sp_xform module: everything a host needs to
// load the module and drive its stages. A host that finds the module through
// the registry also includes kelvane/kx_registry_store.h.
#ifndef KELVANE_KX_LIB_SP_XFORM_H
#define KELVANE_KX_LIB_SP_XFORM_H

#include "kelvane/kx_cache.h"
#include "kelvane/kx_exception.h"
#include "kelvane/kx_host_object.h"
#include "kelvane/kx_ids.h"
#include "kelvane/kx_interfaces.h"
#include "kelvane/kx_pixel.h"
#include "kelvane/kx_pixel_replacer.h"
#include "kelvane/kx_platform_types.h"
#include "kelvane/kx_records.h"
#include "kelvane/kx_status.h"
#include "kelvane/kx_transposer.h"
#include "kelvane/kx_watermarker.h"

// Module entry points, resolved by a host with dlsym (GetProcAddress on Windows).
extern "C" {
typedef HRESULT(KX_STDCALL* KxDllGetClassObjectFn)(const CLSID& clsid, const IID& iid, void** out);
typedef HRESULT(KX_STDCALL* KxDllCanUnloadNowFn)();
typedef HRESULT(KX_STDCALL* KxDllRegisterServerFn)();
typedef HRESULT(KX_STDCALL* KxDllUnregisterServerFn)();
}

#endif  // KELVANE_KX_LIB_SP_XFORM_H
