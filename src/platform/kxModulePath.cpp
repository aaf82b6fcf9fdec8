#include "platform/kxModulePath.h"

#include <dlfcn.h>

#include <cstring>

namespace Kelvane {

size_t KxGetModuleFileName(char* buffer, size_t size) {
  if (buffer == nullptr || size == 0) return 0;
  buffer[0] = '\0';
  // Any symbol of this module names the object it was loaded from.
  Dl_info info{};
  if (dladdr(reinterpret_cast<void*>(&KxGetModuleFileName), &info) == 0 || info.dli_fname == nullptr) return 0;
  const size_t length = std::strlen(info.dli_fname);
  const size_t copied = length < size - 1 ? length : size - 1;
  std::memcpy(buffer, info.dli_fname, copied);
  buffer[copied] = '\0';
  return copied;
}

}  // namespace Kelvane
