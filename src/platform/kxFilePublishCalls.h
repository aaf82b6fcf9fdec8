// Publishing a finished file under its final name without ever replacing a
// file that already has that name (stand-ins for the platform's
// move-without-replace and delete calls), and the process number that keeps
// temporary names of concurrent writers apart.
#ifndef KELVANE_PLATFORM_KX_FILE_PUBLISH_CALLS_H
#define KELVANE_PLATFORM_KX_FILE_PUBLISH_CALLS_H

#include <cstdint>

namespace Kelvane {

// Gives `temporaryPath`'s file the name `finalPath` in one step, so that a
// reader sees either no file or the whole file. Gives 0, with the temporary
// name gone, or the platform's error number; KX_ERROR_ALREADY_EXISTS when
// `finalPath` exists (it is left as it is, and so is the temporary file).
int KxPublishFile(const char* temporaryPath, const char* finalPath);

// Gives 0 or the platform's error number.
int KxRemoveFile(const char* path);

// The number of the calling process.
uint32_t KxProcessNumber();

}  // namespace Kelvane

#endif  // KELVANE_PLATFORM_KX_FILE_PUBLISH_CALLS_H
