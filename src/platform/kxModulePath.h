// The file path of the loaded module (stand-in for GetModuleFileNameA).
#ifndef KELVANE_PLATFORM_KX_MODULE_PATH_H
#define KELVANE_PLATFORM_KX_MODULE_PATH_H

#include <cstddef>

namespace Kelvane {

// Writes the absolute path of the module that contains this code into
// `buffer` (always terminated). Returns the number of characters written, 0
// (with an empty text) when the path is unknown or does not fit. A module loaded by a relative path is
// named from the working directory at the time of the call; call it while
// the module loads, before a host can change that directory.
size_t KxGetModuleFileName(char* buffer, size_t size);

// Writes `path` made absolute against the working directory into `buffer`
// (always terminated): an absolute path as it is, a relative one after the
// working directory, with its leading "./" steps dropped. Returns the number
// of characters written, 0 (with an empty text) when the working directory
// is unknown or the result does not fit.
size_t KxAbsoluteFileName(const char* path, char* buffer, size_t size);

}  // namespace Kelvane

#endif  // KELVANE_PLATFORM_KX_MODULE_PATH_H
