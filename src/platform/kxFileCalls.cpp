#include "platform/kxFileCalls.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace Kelvane {

std::FILE* KxOpenFile(const char* nativePath, const char* mode) { return fopen64(nativePath, mode); }

std::FILE* KxOpenRegularFileForRead(const char* nativePath) {
  // Non-blocking, so that a FIFO planted at the name cannot stall the open.
  const int fd = open(nativePath, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return nullptr;
  struct stat64 info;
  int error = 0;
  if (fstat64(fd, &info) != 0) {
    error = errno;
  } else if (!S_ISREG(info.st_mode)) {
    error = S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
  }
  std::FILE* file = error == 0 ? fdopen(fd, "rb") : nullptr;
  if (file != nullptr) return file;
  if (error == 0) error = errno;
  close(fd);
  errno = error;
  return nullptr;
}

int KxSeekFile(std::FILE* file, int64_t offset, int whence) {
  return fseeko64(file, static_cast<off64_t>(offset), whence);
}

int64_t KxTellFile(std::FILE* file) { return static_cast<int64_t>(ftello64(file)); }

}  // namespace Kelvane
