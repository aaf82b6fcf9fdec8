// 64-bit file offsets and inode numbers on 32-bit targets too: without them
// stat and readdir fail with EOVERFLOW on large file systems.
#define _FILE_OFFSET_BITS 64

#include "platform/kxRegistryValueFile.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

#include "platform/kxInterlocked.h"
#include "platform/kxRegistryErrors.h"

namespace Kelvane {

namespace {

// Distinguishes the temporary files of concurrent writes within one process.
int32_t g_temporaryFileCounter = 0;

// Writes all bytes, resuming after partial writes and interruptions.
bool WriteAll(int fd, const std::vector<uint8_t>& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t written = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    done += static_cast<size_t>(written);
  }
  return true;
}

}  // namespace

bool KxIsValueFileName(const std::string& fileName) {
  return fileName.compare(0, sizeof KX_REG_VALUE_FILE_NAME - 1, KX_REG_VALUE_FILE_NAME) == 0;
}

int32_t KxReadValueFile(const std::string& keyDirectory, KxRegValueSet* values) {
  std::vector<uint8_t> bytes;
  const int error = registry_store::ReadStoreFile(keyDirectory + "/" + KX_REG_VALUE_FILE_NAME, &bytes);
  if (error == ENOENT) {
    values->clear();
    return KX_REG_OK;
  }
  if (error == registry_store::kNotAStoreFile) return KX_REG_ERROR_BADDB;
  if (error != 0) return KxRegErrorFromErrno(error);
  return KxDecodeValueSet(bytes.data(), bytes.size(), values) ? KX_REG_OK : KX_REG_ERROR_BADDB;
}

int32_t KxWriteValueFile(const std::string& keyDirectory, const KxRegValueSet& values) {
  const std::vector<uint8_t> bytes = KxEncodeValueSet(values);
  // The store never writes a file that it would refuse to read back.
  if (bytes.size() > KX_REG_MAX_VALUE_FILE_BYTES) return KX_REG_ERROR_INVALID_PARAMETER;
  const std::string finalPath = keyDirectory + "/" + KX_REG_VALUE_FILE_NAME;
  const std::string temporaryPath = finalPath + ".tmp." + std::to_string(::getpid()) + "." +
                                    std::to_string(KxInterlockedIncrement(&g_temporaryFileCounter));
  const int fd = ::open(temporaryPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (fd < 0) return KxRegErrorFromErrno(errno);
  bool written = WriteAll(fd, bytes) && ::fsync(fd) == 0;
  int error = written ? 0 : errno;
  if (::close(fd) != 0 && written) {
    written = false;
    error = errno;
  }
  if (written && ::rename(temporaryPath.c_str(), finalPath.c_str()) != 0) {
    written = false;
    error = errno;
  }
  if (written) return KX_REG_OK;
  ::unlink(temporaryPath.c_str());
  return error == 0 ? KX_REG_ERROR_IO_FAILED : KxRegErrorFromErrno(error);
}

int32_t KxRegErrorFromErrno(int error) {
  switch (error) {
    case ENOENT:
    case ENOTDIR: return KX_REG_ERROR_FILE_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EROFS:
    case ENOTEMPTY:
    case EEXIST: return KX_REG_ERROR_ACCESS_DENIED;
    case ENOMEM: return KX_REG_ERROR_OUTOFMEMORY;
    case ENAMETOOLONG: return KX_REG_ERROR_INVALID_PARAMETER;
    default: return KX_REG_ERROR_IO_FAILED;
  }
}

}  // namespace Kelvane
