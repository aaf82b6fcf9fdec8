#include "kxhost/stderrLogger.h"

#include <cstdio>
#include <new>

namespace kxhost {

StderrLogger* StderrLogger::create(uint32_t level) { return new (std::nothrow) StderrLogger(level); }

std::mutex& StderrLogger::outputLock() {
  static std::mutex lock;
  return lock;
}

HRESULT KX_STDCALL StderrLogger::QueryInterface(const IID& iid, void** out) {
  // The logger answers as its first interface for both identities.
  return KxHostAnswerQuery(static_cast<IKxLogger*>(this), iid, {&IID_IUnknown, &IID_IKxLogger}, out);
}

uint32_t KX_STDCALL StderrLogger::GetLevel() { return level_.load(); }

HRESULT KX_STDCALL StderrLogger::Write(uint32_t level, const char* text) {
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

}  // namespace kxhost
