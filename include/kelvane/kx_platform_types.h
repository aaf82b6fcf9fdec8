// Platform component-model types for hosts built without the Windows SDK:
// GUID, HRESULT, IUnknown, IClassFactory and the calling-convention macro.
// On Windows the SDK's own definitions are used instead.
#ifndef KELVANE_KX_PLATFORM_TYPES_H
#define KELVANE_KX_PLATFORM_TYPES_H

#include <cstdint>
#include <cstring>

#if defined(_WIN32)
#include <objbase.h>
#include <windows.h>
#define KX_STDCALL __stdcall
#else

// Interface operations use the platform's component calling convention:
// __stdcall on 32-bit Windows, the default convention everywhere else.
#define KX_STDCALL

typedef int32_t HRESULT;
typedef uint32_t ULONG;
typedef int32_t BOOL;

// A 16-byte class or interface identifier.
struct GUID {
  uint32_t Data1;
  uint16_t Data2;
  uint16_t Data3;
  uint8_t Data4[8];
};
typedef GUID IID;
typedef GUID CLSID;
static_assert(sizeof(GUID) == 16, "a GUID is 16 bytes");

// The root of every interface: slots 0 to 2 in every table.
struct IUnknown {
  virtual HRESULT KX_STDCALL QueryInterface(const IID& iid, void** out) = 0;
  virtual ULONG KX_STDCALL AddRef() = 0;
  virtual ULONG KX_STDCALL Release() = 0;

 protected:
  ~IUnknown() = default;
};

// The class object a module hands out for each of its classes.
struct IClassFactory : IUnknown {
  virtual HRESULT KX_STDCALL CreateInstance(IUnknown* outer, const IID& iid, void** out) = 0;
  virtual HRESULT KX_STDCALL LockServer(BOOL lock) = 0;

 protected:
  ~IClassFactory() = default;
};

// Standard platform identifiers.
inline constexpr GUID IID_IUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr GUID IID_IClassFactory = {
    0x00000001, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

// Standard component status codes.
inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT S_FALSE = 1;
inline constexpr HRESULT E_NOINTERFACE = static_cast<HRESULT>(0x80004002u);
inline constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);
inline constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057u);
inline constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000Eu);
inline constexpr HRESULT CLASS_E_NOAGGREGATION = static_cast<HRESULT>(0x80040110u);
inline constexpr HRESULT CLASS_E_CLASSNOTAVAILABLE = static_cast<HRESULT>(0x80040111u);

inline constexpr bool SUCCEEDED(HRESULT hr) { return hr >= 0; }
inline constexpr bool FAILED(HRESULT hr) { return hr < 0; }

#endif  // _WIN32

// GUID comparison used for every identifier test: four 32-bit words in order,
// stopping at the first difference. Returns 1 when all 16 bytes are equal.
inline int KxIsEqualGUID(const GUID& a, const GUID& b) {
  uint32_t wa[4];
  uint32_t wb[4];
  std::memcpy(wa, &a, sizeof wa);
  std::memcpy(wb, &b, sizeof wb);
  for (int i = 0; i < 4; ++i) {
    if (wa[i] != wb[i]) return 0;
  }
  return 1;
}

#if !defined(_WIN32)
inline int IsEqualGUID(const GUID& a, const GUID& b) { return KxIsEqualGUID(a, b); }
#endif

#endif  // KELVANE_KX_PLATFORM_TYPES_H
