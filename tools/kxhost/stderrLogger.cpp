#include "kxhost/stderrLogger.h"

#include <cstdio>
#include <new>

namespace Kelvane {

KxStderrLogger* KxStderrLogger::create(uint32_t level) { return new (std::nothrow) KxStderrLogger(level); }

std::mutex& KxStderrLogger::outputLock() {
  static std::mutex lock;
  return lock;
}

HRESULT KX_STDCALL KxStderrLogger::QueryInterface(const IID& iid, void** out) {
  // The logger answers as its first interface for both identities.
  return KxAnswerQuery(static_cast<IKxLogger*>(this), iid, {&IID_IUnknown, &IID_IKxLogger}, out);
}

ULONG KX_STDCALL KxStderrLogger::AddRef() { return addReference(); }

ULONG KX_STDCALL KxStderrLogger::Release() { return releaseReference(); }

uint32_t KX_STDCALL KxStderrLogger::GetLevel() { return level_.load(); }

HRESULT KX_STDCALL KxStderrLogger::Write(uint32_t level, const char* text) {
  try {
    if (text == nullptr) return E_INVALIDARG;
    if (level > level_.load()) return S_FALSE;
    std::lock_guard<std::mutex> hold(outputLock());
    std::fprintf(stderr, "kxhost [%u] %s\n", level, text);
    return S_OK;
  } catch (...) {
    return E_FAIL;
  }
}

}  // namespace Kelvane
