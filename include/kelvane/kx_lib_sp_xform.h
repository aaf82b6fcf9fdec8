// Umbrella header of the kx_lib_sp_xform module: a host includes only this.
#ifndef KELVANE_KX_LIB_SP_XFORM_H
#define KELVANE_KX_LIB_SP_XFORM_H

#include "kelvane/kx_cache.h"
#include "kelvane/kx_exception.h"
#include "kelvane/kx_host_object.h"
#if !defined(_WIN32)
#include "kelvane/kx_registry_store.h"
#endif
#include "kelvane/kx_ids.h"
#include "kelvane/kx_interfaces.h"
#include "kelvane/kx_pixel.h"
#include "kelvane/kx_pixel_replacer.h"
#include "kelvane/kx_platform_types.h"
#include "kelvane/kx_records.h"
#include "kelvane/kx_status.h"
#include "kelvane/kx_transposer.h"

// Module entry points, resolved by a host with dlsym (GetProcAddress on Windows).
extern "C" {
typedef HRESULT(KX_STDCALL* KxDllGetClassObjectFn)(const CLSID& clsid, const IID& iid, void** out);
typedef HRESULT(KX_STDCALL* KxDllCanUnloadNowFn)();
typedef HRESULT(KX_STDCALL* KxDllRegisterServerFn)();
typedef HRESULT(KX_STDCALL* KxDllUnregisterServerFn)();
}

#endif  // KELVANE_KX_LIB_SP_XFORM_H
