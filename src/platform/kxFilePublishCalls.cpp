#include "platform/kxFilePublishCalls.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>  // renameat2

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

}  // namespace Kelvane
