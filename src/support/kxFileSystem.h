// File-system queries and directory creation on PathString paths, and the
// texts of platform error numbers. None of these throws.
#ifndef KELVANE_SUPPORT_KX_FILE_SYSTEM_H
#define KELVANE_SUPPORT_KX_FILE_SYSTEM_H

#include <cstdint>

#include "platform/kxFileSystemCalls.h"
#include "support/kxPathString.h"

namespace Kelvane {

// Fills `out` and gives 0, or gives the platform's error number.
// getFileStat follows a link in the last component, getEntryStat does not.
int getFileStat(const PathString& path, FileStat* out);
int getEntryStat(const PathString& path, FileStat* out);

// Whether the path names an existing directory. Leaves the platform's last
// error number as it was, so a failure logged afterwards keeps its cause.
bool isDirectory(const PathString& path);

// Whether the path is usable at all: not empty, well-formed UTF-8, and free
// of '*', '?', '"', '<', '>', '|', code units below 31 and of ':' anywhere
// but the second character.
bool isValidPath(const PathString& path);

// Gives 0 when the directory exists afterwards (also when another thread or
// process made it first), else KX_STATUS_DIRECTORY. An invalid path is refused before
// anything is made; with `recursive`, missing ancestors are made first,
// outermost first.
uint32_t createDirectory(const PathString& path, bool recursive);

// Copies the platform's text for an error number, cut at the first line
// break, into `buffer` (when given; truncated to *size - 1 bytes and
// terminated) and sets *size to the text's length with its terminator, or to
// 0 (with an empty text) when the platform has none.
void getSystemErrorText(int number, char* buffer, uint32_t* size);

}  // namespace Kelvane

#endif  // KELVANE_SUPPORT_KX_FILE_SYSTEM_H
