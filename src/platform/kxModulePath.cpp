#include "platform/kxModulePath.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

namespace Kelvane {

namespace {

// Copies `text` with its terminator when it fits, and gives its length; a
// path that does not fit is no path (a cut one would name another file).
size_t copyWhole(const std::string& text, char* buffer, size_t size) {
  if (text.size() >= size) return 0;
  std::memcpy(buffer, text.c_str(), text.size() + 1);
  return text.size();
}

}  // namespace

size_t KxAbsoluteFileName(const char* path, char* buffer, size_t size) {
  if (buffer == nullptr || size == 0) return 0;
  buffer[0] = '\0';
  if (path == nullptr || path[0] == '\0') return 0;
  try {
    if (path[0] == '/') return copyWhole(path, buffer, size);
    std::unique_ptr<char, void (*)(void*)> directory(getcwd(nullptr, 0), std::free);
    if (directory == nullptr) return 0;
    const char* relative = path;
    while (relative[0] == '.' && relative[1] == '/') {
      relative += 2;
      while (relative[0] == '/') ++relative;
    }
    std::string absolute = directory.get();
    if (absolute.empty() || absolute.back() != '/') absolute += '/';
    return copyWhole(absolute + relative, buffer, size);
  } catch (...) {
    return 0;
  }
}

size_t KxGetModuleFileName(char* buffer, size_t size) {
  if (buffer == nullptr || size == 0) return 0;
  buffer[0] = '\0';
  // Any symbol of this module names the object it was loaded from, as the
  // loader was asked for it: a relative name stays relative.
  Dl_info info{};
  if (dladdr(reinterpret_cast<void*>(&KxGetModuleFileName), &info) == 0 || info.dli_fname == nullptr) return 0;
  return KxAbsoluteFileName(info.dli_fname, buffer, size);
}

}  // namespace Kelvane
