// The file path of the loaded module (stand-in for GetModuleFileNameA).
#ifndef KELVANE_PLATFORM_KX_MODULE_PATH_H
#define KELVANE_PLATFORM_KX_MODULE_PATH_H

#include <cstddef>

namespace Kelvane {

// Writes the path of the module that contains this code into `buffer`
// (truncated, always terminated). Returns the number of characters written,
// 0 when the path is unknown.
size_t KxGetModuleFileName(char* buffer, size_t size);

}  // namespace Kelvane

#endif  // KELVANE_PLATFORM_KX_MODULE_PATH_H
