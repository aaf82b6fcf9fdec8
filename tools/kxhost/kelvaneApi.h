// The module's public interface as the host tool uses it: every name of the
// public header, visible inside the tool's own namespace.
#ifndef KXHOST_KELVANE_API_H
#define KXHOST_KELVANE_API_H

#include "kelvane/kx_lib_sp_xform.h"

namespace kxhost {
using namespace Kelvane;
}  // namespace kxhost

#endif  // KXHOST_KELVANE_API_H
