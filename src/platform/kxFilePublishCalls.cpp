#include "platform/kxFilePublishCalls.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace Kelvane {

int KxPublishFile(const char* temporaryPath, const char* finalPath) {
  if (temporaryPath == nullptr || finalPath == nullptr) return EINVAL;
  // A rename that refuses to replace moves the file in one step.
  if (renameat2(AT_FDCWD, temporaryPath, AT_FDCWD, finalPath, RENAME_NOREPLACE) == 0) return 0;
  const int renameError = errno;
  if (renameError != EINVAL && renameError != ENOSYS && renameError != EOPNOTSUPP) return renameError;
  // File systems without that rename still refuse to link over an existing name.
  if (link(temporaryPath, finalPath) != 0) return errno;
  unlink(temporaryPath);
  return 0;
}

int KxRemoveFile(const char* path) {
  if (path == nullptr) return EINVAL;
  return unlink(path) == 0 ? 0 : errno;
}

uint32_t KxProcessNumber() { return static_cast<uint32_t>(getpid()); }

}  // namespace Kelvane
