#include "gdalDriver/cplLogger.h"

#include <cpl_conv.h>
#include <cpl_error.h>
#include <cpl_string.h>

#include <new>

namespace kxdriver {

CplLogger* CplLogger::create() { return new (std::nothrow) CplLogger(); }

HRESULT KX_STDCALL CplLogger::QueryInterface(const IID& iid, void** out) {
  return kxhost::KxHostAnswerQuery(static_cast<kxhost::IKxLogger*>(this), iid, {&IID_IUnknown, &kxhost::IID_IKxLogger},
                                   out);
}

uint32_t KX_STDCALL CplLogger::GetLevel() {
  // GDAL's debug output is on when CPL_DEBUG names anything but OFF.
  const char* debug = CPLGetConfigOption("CPL_DEBUG", nullptr);
  return debug != nullptr && !EQUAL(debug, "OFF") && !EQUAL(debug, "NO") ? kDetailLevel : kLevel;
}

HRESULT KX_STDCALL CplLogger::Write(uint32_t level, const char* text) {
  if (text == nullptr) return E_INVALIDARG;
  if (level > GetLevel()) return S_FALSE;
  CPLDebug("KX", "[%u] %s", level, text);
  return S_OK;
}

}  // namespace kxdriver
