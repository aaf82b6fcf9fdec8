// The one exception type the module's internal code raises. It never crosses
// the component boundary: every component method catches it and returns a status.
#ifndef KELVANE_KX_EXCEPTION_H
#define KELVANE_KX_EXCEPTION_H

#include <cstdint>

namespace Kelvane {

class KxUtilException {
 public:
  explicit KxUtilException(uint32_t code) : code_(code) {}
  virtual ~KxUtilException() = default;
  uint32_t code() const { return code_; }

 private:
  uint32_t code_;  // library status number; 8 always means memory ran out
};

}  // namespace Kelvane

#endif  // KELVANE_KX_EXCEPTION_H
