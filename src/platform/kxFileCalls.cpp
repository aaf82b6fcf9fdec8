#include "platform/kxFileCalls.h"

#include <stdio.h>

namespace Kelvane {

std::FILE* KxOpenFile(const char* nativePath, const char* mode) { return fopen64(nativePath, mode); }

int KxSeekFile(std::FILE* file, int64_t offset, int whence) {
  return fseeko64(file, static_cast<off64_t>(offset), whence);
}

int64_t KxTellFile(std::FILE* file) { return static_cast<int64_t>(ftello64(file)); }

}  // namespace Kelvane
