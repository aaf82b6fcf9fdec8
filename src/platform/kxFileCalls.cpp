#include "platform/kxFileCalls.h"

#include <fcntl.h>
#include <limits.h>
#include <stdio.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <vector>

namespace Kelvane {

std::FILE* KxOpenFile(const char* nativePath, const char* mode) { return fopen64(nativePath, mode); }

int KxOpenRegularFileDescriptor(const char* nativePath, uint64_t* bytes) {
  // Non-blocking, so that a FIFO planted at the name cannot stall the open.
  const int fd = open(nativePath, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return -1;
  struct stat64 info;
  int error = 0;
  if (fstat64(fd, &info) != 0) {
    error = errno;
  } else if (!S_ISREG(info.st_mode)) {
    error = S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
  }
  if (error == 0) {
    *bytes = static_cast<uint64_t>(info.st_size);
    return fd;
  }
  close(fd);
  errno = error;
  return -1;
}

int KxCloseDescriptor(int descriptor) { return close(descriptor); }

std::FILE* KxOpenRegularFileForRead(const char* nativePath) {
  uint64_t bytes = 0;
  const int fd = KxOpenRegularFileDescriptor(nativePath, &bytes);
  if (fd < 0) return nullptr;
  std::FILE* file = fdopen(fd, "rb");
  if (file != nullptr) return file;
  const int error = errno;
  close(fd);
  errno = error;
  return nullptr;
}

int KxSeekFile(std::FILE* file, int64_t offset, int whence) {
  return fseeko64(file, static_cast<off64_t>(offset), whence);
}

int64_t KxTellFile(std::FILE* file) { return static_cast<int64_t>(ftello64(file)); }

namespace {

// The most runs one system call takes.
constexpr size_t kRunsPerCall = IOV_MAX;

// Moves the runs through `transfer`, called with the next runs (at most
// kRunsPerCall) and the bytes moved so far, resuming after partial transfers
// and interruptions, until every run is done, the transfer gives 0 (end of
// file), or it fails.
template <typename Run, typename Transfer>
uint64_t moveRuns(const Run* runs, size_t count, Transfer transfer) {
  std::vector<iovec> pending(count);
  for (size_t i = 0; i < count; ++i) pending[i] = iovec{const_cast<void*>(runs[i].start), runs[i].bytes};
  uint64_t moved = 0;
  size_t first = 0;
  while (first < count) {
    if (pending[first].iov_len == 0) {
      ++first;
      continue;
    }
    const int calls = static_cast<int>(std::min(kRunsPerCall, count - first));
    const ssize_t done = transfer(&pending[first], calls, moved);
    if (done < 0 && errno == EINTR) continue;
    if (done <= 0) break;
    moved += static_cast<uint64_t>(done);
    // Skip the runs done, and the done part of the run where it stopped.
    for (size_t left = static_cast<size_t>(done); left > 0; ++first) {
      const size_t taken = std::min(left, pending[first].iov_len);
      pending[first].iov_base = static_cast<char*>(pending[first].iov_base) + taken;
      pending[first].iov_len -= taken;
      left -= taken;
      if (pending[first].iov_len != 0) break;
    }
  }
  return moved;
}

// Moves the runs through `transfer` (readv or writev on the stream's
// descriptor), keeping the stream in step with the descriptor.
template <typename Run, typename Transfer>
uint64_t transferRuns(std::FILE* file, const Run* runs, size_t count, Transfer transfer) {
  // Whatever the buffer holds goes first (a write) or is given back (a read).
  if (std::fflush(file) != 0) return 0;
  const int descriptor = fileno(file);
  const uint64_t moved =
      moveRuns(runs, count, [&](const iovec* v, int n, uint64_t) { return transfer(descriptor, v, n); });
  // The stream's own idea of its position follows the descriptor's.
  const int error = errno;
  fseeko64(file, lseek64(descriptor, 0, SEEK_CUR), SEEK_SET);
  errno = error;
  return moved;
}

}  // namespace

uint64_t KxReadRuns(std::FILE* file, const KxReadRun* runs, size_t count) {
  return transferRuns(file, runs, count, [](int fd, const iovec* v, int n) { return readv(fd, v, n); });
}

uint64_t KxWriteRuns(std::FILE* file, const KxWriteRun* runs, size_t count) {
  return transferRuns(file, runs, count, [](int fd, const iovec* v, int n) { return writev(fd, v, n); });
}

uint64_t KxReadRunsAt(int descriptor, uint64_t offset, const KxReadRun* runs, size_t count) {
  // Offsets past the largest the system takes are refused, not wrapped.
  if (offset > static_cast<uint64_t>(INT64_MAX)) {
    errno = EINVAL;
    return 0;
  }
  return moveRuns(runs, count, [&](const iovec* v, int n, uint64_t moved) {
    const uint64_t at = offset + moved;
    if (at > static_cast<uint64_t>(INT64_MAX)) {
      errno = EINVAL;
      return ssize_t{-1};
    }
    return preadv64(descriptor, v, n, static_cast<off64_t>(at));
  });
}

bool KxReserveFileSpace(std::FILE* file, uint64_t bytes) {
  // The file system's own reservation; never glibc's emulation, which would write every byte twice.
  return bytes > 0 && fallocate64(fileno(file), 0, 0, static_cast<off64_t>(bytes)) == 0;
}

}  // namespace Kelvane
