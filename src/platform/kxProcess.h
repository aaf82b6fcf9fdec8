// The number of the calling process (stand-in for the platform's process
// identifier), which keeps temporary names of concurrent writers apart.
#ifndef KELVANE_PLATFORM_KX_PROCESS_H
#define KELVANE_PLATFORM_KX_PROCESS_H

#include <cstdint>

namespace Kelvane {

uint32_t KxProcessNumber();

}  // namespace Kelvane

#endif  // KELVANE_PLATFORM_KX_PROCESS_H
