#include "platform/kxFileSystemCalls.h"

#include <dirent.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace Kelvane {

const int KX_ERROR_ALREADY_EXISTS = EEXIST;
const int KX_ERROR_INVALID_NAME = EINVAL;
const int KX_ERROR_NO_MEMORY = ENOMEM;
const int KX_ERROR_NOT_FOUND = ENOENT;
const int KX_ERROR_NOT_A_DIRECTORY = ENOTDIR;

namespace {

// strerror_r comes in two shapes: the XSI one gives a status and fills the
// buffer, the GNU one gives the text (which may lie elsewhere).
[[maybe_unused]] const char* messageOf(int status, const char* buffer) { return status == 0 ? buffer : nullptr; }
[[maybe_unused]] const char* messageOf(const char* text, const char*) { return text; }

// Runs a status call (one that follows links, or one that does not) and
// describes its answer as a FileStat.
int statusOf(int (*call)(const char*, struct stat64*), const char* nativePath, FileStat* out) {
  if (nativePath == nullptr || out == nullptr) return EINVAL;
  struct stat64 info;
  if (call(nativePath, &info) != 0) return errno;
  const uint64_t size = static_cast<uint64_t>(info.st_size);
  out->sizeLow = static_cast<uint32_t>(size);
  out->sizeHigh = static_cast<uint32_t>(size >> 32);
  out->lastAccessTime = static_cast<int64_t>(info.st_atime);
  out->lastWriteTime = static_cast<int64_t>(info.st_mtime);
  // The status call reports no creation time.
  out->creationTime = 0;
  out->isDirectory = S_ISDIR(info.st_mode);
  out->isRegularFile = S_ISREG(info.st_mode);
  return 0;
}

}  // namespace

int KxStatFile(const char* nativePath, FileStat* out) { return statusOf(stat64, nativePath, out); }

int KxStatEntry(const char* nativePath, FileStat* out) { return statusOf(lstat64, nativePath, out); }

int KxMakeDirectory(const char* nativePath) {
  if (nativePath == nullptr) return EINVAL;
  // Default permissions: the process's umask decides.
  return mkdir(nativePath, 0777) == 0 ? 0 : errno;
}

int KxListDirectory(const char* nativePath, std::vector<std::string>* names) {
  if (nativePath == nullptr || names == nullptr) return EINVAL;
  DIR* directory = opendir(nativePath);
  if (directory == nullptr) return errno;
  names->clear();
  int error = 0;
  try {
    while (const dirent* entry = readdir(directory)) {
      const std::string name = entry->d_name;
      if (name != "." && name != "..") names->push_back(name);
    }
  } catch (...) {
    error = ENOMEM;
  }
  closedir(directory);
  return error;
}

int KxRemoveFile(const char* nativePath) {
  if (nativePath == nullptr) return EINVAL;
  return unlink(nativePath) == 0 ? 0 : errno;
}

int KxLastSystemError() { return errno; }

void KxSetLastSystemError(int number) { errno = number; }

bool KxSystemErrorMessage(int number, char* buffer, size_t size) {
  if (buffer == nullptr || size == 0) return false;
  buffer[0] = '\0';
  char scratch[2048];
  scratch[0] = '\0';
  const char* message = messageOf(strerror_r(number, scratch, sizeof scratch), scratch);
  if (message == nullptr || message[0] == '\0') return false;
  const size_t length = std::strlen(message);
  const size_t copied = length < size - 1 ? length : size - 1;
  std::memmove(buffer, message, copied);
  buffer[copied] = '\0';
  return true;
}

}  // namespace Kelvane
