// Buffered file calls with 64-bit offsets on every target (a 32-bit build
// would otherwise stop at 2 GiB).
#ifndef KELVANE_PLATFORM_KX_FILE_CALLS_H
#define KELVANE_PLATFORM_KX_FILE_CALLS_H

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

// `whence` is SEEK_SET, SEEK_CUR or SEEK_END; gives 0 on success.
int KxSeekFile(std::FILE* file, int64_t offset, int whence);

// The position, or -1.
int64_t KxTellFile(std::FILE* file);

}  // namespace Kelvane

#endif  // KELVANE_PLATFORM_KX_FILE_CALLS_H
