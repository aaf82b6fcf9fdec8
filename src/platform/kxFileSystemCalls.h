// The file-system services the module relies on (stand-ins for the
// platform's attribute query, directory creation, last error and message
// lookup). Paths are native narrow texts, UTF-8 on this platform.
#ifndef KELVANE_PLATFORM_KX_FILE_SYSTEM_CALLS_H
#define KELVANE_PLATFORM_KX_FILE_SYSTEM_CALLS_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace Kelvane {

// What a file status query reports about one file or directory.
struct FileStat {
  uint32_t sizeLow = 0;  // file size, low and high 32-bit halves
  uint32_t sizeHigh = 0;
  int64_t lastAccessTime = 0;  // seconds since 1970-01-01 00:00 UTC, 0 when unknown
  int64_t lastWriteTime = 0;
  int64_t creationTime = 0;
  bool isDirectory = false;
  bool isRegularFile = false;  // neither a directory, a link (when not followed) nor a special file

  uint64_t size() const { return (static_cast<uint64_t>(sizeHigh) << 32) | sizeLow; }
};

// Each gives 0 or the platform's error number. KxStatFile follows a link in
// the last component; KxStatEntry reports the link itself.
int KxStatFile(const char* nativePath, FileStat* out);
int KxStatEntry(const char* nativePath, FileStat* out);
int KxMakeDirectory(const char* nativePath);
// The names in a directory, "." and ".." left out, in no particular order.
int KxListDirectory(const char* nativePath, std::vector<std::string>* names);
int KxRemoveFile(const char* nativePath);

// The error number of the calling thread's last failed platform call.
int KxLastSystemError();
void KxSetLastSystemError(int number);

// Writes the platform's text for an error number (terminated, truncated to
// the buffer). Gives false, with an empty text, when the platform has none.
bool KxSystemErrorMessage(int number, char* buffer, size_t size);

// The error numbers the module tests for.
extern const int KX_ERROR_ALREADY_EXISTS;
extern const int KX_ERROR_INVALID_NAME;
extern const int KX_ERROR_NO_MEMORY;
extern const int KX_ERROR_NOT_FOUND;
extern const int KX_ERROR_NOT_A_DIRECTORY;

}  // namespace Kelvane

#endif  // KELVANE_PLATFORM_KX_FILE_SYSTEM_CALLS_H
