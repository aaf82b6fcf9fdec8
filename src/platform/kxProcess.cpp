#include "platform/kxProcess.h"

#include <unistd.h>

namespace Kelvane {

uint32_t KxProcessNumber() { return static_cast<uint32_t>(getpid()); }

}  // namespace Kelvane
