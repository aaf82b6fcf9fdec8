// Publishing a finished file under its final name without ever replacing a
// file that already has that name (stand-in for the platform's
// move-without-replace call).
#ifndef KELVANE_PLATFORM_KX_FILE_PUBLISH_CALLS_H
#define KELVANE_PLATFORM_KX_FILE_PUBLISH_CALLS_H

namespace Kelvane {

// Gives `temporaryPath`'s file the name `finalPath` in one step, so that a
// reader sees either no file or the whole file. Gives 0, with the temporary
// name gone, or the platform's error number; KX_ERROR_ALREADY_EXISTS when
// `finalPath` exists (it is left as it is, and so is the temporary file).
int KxPublishFile(const char* temporaryPath, const char* finalPath);

}  // namespace Kelvane

#endif  // KELVANE_PLATFORM_KX_FILE_PUBLISH_CALLS_H
