#include "com/kxComUnknown.h"

#include "platform/kxInterlocked.h"

namespace Kelvane {

namespace {
// Module-wide state: living component objects (class objects included) and
// server locks. Changed only through the interlocked operations.
int32_t g_liveObjects = 0;
int32_t g_serverLocks = 0;
}  // namespace

KxComUnknown::KxComUnknown() : outer_(reinterpret_cast<IUnknown*>(static_cast<INondelegatingUnknown*>(this))) {
  KxInterlockedIncrement(&g_liveObjects);
}

KxComUnknown::~KxComUnknown() { KxInterlockedDecrement(&g_liveObjects); }

HRESULT KX_STDCALL KxComUnknown::NondelegatingQueryInterface(const IID& iid, void** out) {
  if (KxIsEqualGUID(iid, IID_IUnknown)) {
    if (out == nullptr) return E_INVALIDARG;
    NondelegatingAddRef();
    *out = static_cast<INondelegatingUnknown*>(this);
    return S_OK;
  }
  return InternalQueryInterface(iid, out);
}

ULONG KX_STDCALL KxComUnknown::NondelegatingAddRef() { return static_cast<ULONG>(KxInterlockedIncrement(&refCount_)); }

ULONG KX_STDCALL KxComUnknown::NondelegatingRelease() {
  if (KxInterlockedDecrement(&refCount_) != 0) return static_cast<ULONG>(KxInterlockedRead(&refCount_));
  OnFinalRelease();
  delete this;
  return 0;
}

HRESULT KxComUnknown::InternalQueryInterface(const IID&, void** out) {
  if (out != nullptr) *out = nullptr;
  return E_NOINTERFACE;
}

HRESULT KxComUnknown::Init() { return S_OK; }

void KxComUnknown::OnFinalRelease() {}

HRESULT KxComUnknown::SetOuterUnknown(IUnknown* outer) {
  if (outer != nullptr) outer_ = outer;
  return S_OK;
}

int32_t KxComUnknown::referenceCount() const { return KxInterlockedRead(&refCount_); }

int32_t KxComUnknown::GetLiveObjectCount() { return KxInterlockedRead(&g_liveObjects); }

int32_t KxComUnknown::GetServerLockCount() { return KxInterlockedRead(&g_serverLocks); }

void KxComUnknown::LockServer(bool lock) {
  if (lock) {
    KxInterlockedIncrement(&g_serverLocks);
  } else {
    KxInterlockedDecrement(&g_serverLocks);
  }
}

}  // namespace Kelvane
