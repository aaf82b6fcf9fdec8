// Buffered file calls with 64-bit offsets on every target (a 32-bit build
// would otherwise stop at 2 GiB), transfers of several runs of memory in one
// call straight through the file's descriptor, and positional reads of a
// regular file by its descriptor alone, without a buffered stream.
#ifndef KELVANE_PLATFORM_KX_FILE_CALLS_H
#define KELVANE_PLATFORM_KX_FILE_CALLS_H

#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace Kelvane {

// Null with the platform's error number set when the file cannot be opened.
std::FILE* KxOpenFile(const char* nativePath, const char* mode);

// Opens a regular file for reading ("rb") without following a link in the
// last component and without blocking on a special file; null with the
// platform's error number set for a link (ELOOP), a directory (EISDIR) or
// any other file that is not a regular one (EINVAL).
std::FILE* KxOpenRegularFileForRead(const char* nativePath);

// Opens a regular file for positional reads (KxReadRunsAt) as
// KxOpenRegularFileForRead does, and sets `*bytes` to its length. Gives the
// descriptor, which the caller owns and closes with KxCloseDescriptor, or -1
// with the platform's error number set.
int KxOpenRegularFileDescriptor(const char* nativePath, uint64_t* bytes);

// Closes a descriptor from KxOpenRegularFileDescriptor; gives 0 on success.
int KxCloseDescriptor(int descriptor);

// `whence` is SEEK_SET, SEEK_CUR or SEEK_END; gives 0 on success.
int KxSeekFile(std::FILE* file, int64_t offset, int whence);

// The position, or -1.
int64_t KxTellFile(std::FILE* file);

// Runs of memory that one transfer reads into, or writes from, in order.
struct KxReadRun {
  void* start;
  size_t bytes;
};
struct KxWriteRun {
  const void* start;
  size_t bytes;
};

// Read the file's next bytes into the runs, or write the runs, in as few
// system calls as the platform allows (rows of an image go in one call), past
// the file's buffer, which is emptied first; the file's position follows.
// Each gives the bytes moved: all of them, or fewer when the file ends (a
// read) or with the platform's error number set after a failure.
uint64_t KxReadRuns(std::FILE* file, const KxReadRun* runs, size_t count);
uint64_t KxWriteRuns(std::FILE* file, const KxWriteRun* runs, size_t count);

// Reads the file's bytes from `offset` on into the runs, in order, in as few
// positional system calls as the platform allows; the descriptor's position
// does not move, so threads may read one descriptor at once. Gives the bytes
// read: all the runs hold, or fewer when the file ends, or with the
// platform's error number set after a failure.
uint64_t KxReadRunsAt(int descriptor, uint64_t offset, const KxReadRun* runs, size_t count);

// Sets aside room for the file's first `bytes` bytes, so that writing them
// allocates no blocks one by one; gives whether the file system did. The
// file then holds at least that many bytes, zero until written. Advisory:
// writing works without it.
bool KxReserveFileSpace(std::FILE* file, uint64_t bytes);

}  // namespace Kelvane

#endif  // KELVANE_PLATFORM_KX_FILE_CALLS_H
