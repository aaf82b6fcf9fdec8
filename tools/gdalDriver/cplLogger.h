// The host logger the driver hands the module: its lines go to GDAL's debug
// output under "KX" (shown with CPL_DEBUG=KX or CPL_DEBUG=ON), so that a
// GDAL application reports failures itself, once, as GDAL errors.
#ifndef KX_GDAL_DRIVER_CPL_LOGGER_H
#define KX_GDAL_DRIVER_CPL_LOGGER_H

#include "hostChain/kelvaneApi.h"

namespace kxdriver {

class CplLogger final : public kxhost::KxHostObject<CplLogger, kxhost::KxHostLoggerBase> {
 public:
  // Module lines up to warnings, and detail when GDAL's debug output is on.
  static constexpr uint32_t kLevel = 4;
  static constexpr uint32_t kDetailLevel = 7;

  // The new logger carries one reference, owned by the caller; null when out of memory.
  static CplLogger* create();

  HRESULT KX_STDCALL QueryInterface(const IID& iid, void** out) override;
  uint32_t KX_STDCALL GetLevel() override;
  HRESULT KX_STDCALL Write(uint32_t level, const char* text) override;

 private:
  friend class kxhost::KxHostObject<CplLogger, kxhost::KxHostLoggerBase>;
  CplLogger() = default;
  ~CplLogger() = default;
};

}  // namespace kxdriver

#endif  // KX_GDAL_DRIVER_CPL_LOGGER_H
