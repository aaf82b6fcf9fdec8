#include "support/kxFileSystem.h"

#include <cstring>

#include "kelvane/kx_exception.h"
#include "kelvane/kx_status.h"

namespace Kelvane {

namespace {

// The platform's file calls take the narrow form, which is UTF-8 here.
// Gives null with an error number when the path has no such form.
const char* nativePath(const PathString& path, int* error) {
  const char* native = path.ansi();
  if (native == nullptr) *error = KX_ERROR_INVALID_NAME;
  return native;
}

bool isRefusedCodeUnit(char16_t unit, size_t index) {
  switch (unit) {
    case u'*':
    case u'?':
    case u'"':
    case u'<':
    case u'>':
    case u'|': return true;
    case u':': return index != 1;
    default: return unit < 31;
  }
}

// Keeps the platform's last error number across the calls of one scope.
class LastErrorKeeper {
 public:
  LastErrorKeeper() : saved_(KxLastSystemError()) {}
  ~LastErrorKeeper() { KxSetLastSystemError(saved_); }
  LastErrorKeeper(const LastErrorKeeper&) = delete;
  LastErrorKeeper& operator=(const LastErrorKeeper&) = delete;

 private:
  int saved_;
};

}  // namespace

int getFileStat(const PathString& path, FileStat* out) {
  if (out == nullptr) return KX_ERROR_INVALID_NAME;
  int error = 0;
  const char* native = nativePath(path, &error);
  return native != nullptr ? KxStatFile(native, out) : error;
}

int getEntryStat(const PathString& path, FileStat* out) {
  if (out == nullptr) return KX_ERROR_INVALID_NAME;
  int error = 0;
  const char* native = nativePath(path, &error);
  return native != nullptr ? KxStatEntry(native, out) : error;
}

bool isDirectory(const PathString& path) {
  LastErrorKeeper keeper;
  FileStat stat;
  return getFileStat(path, &stat) == 0 && stat.isDirectory;
}

bool isValidPath(const PathString& path) {
  const char16_t* wide = path.utf16();
  if (wide == nullptr) return false;
  for (size_t i = 0; wide[i] != 0; ++i) {
    if (isRefusedCodeUnit(wide[i], i)) return false;
  }
  // Paths of this platform have no drive part that could be missing.
  return true;
}

uint32_t createDirectory(const PathString& path, bool recursive) {
  if (!isValidPath(path)) {
    KxSetLastSystemError(KX_ERROR_INVALID_NAME);
    return KX_STATUS_DIRECTORY;
  }
  if (isDirectory(path)) return KX_STATUS_SUCCESS;
  try {
    // Ancestors first; a root or drive that is its own parent ends the climb.
    if (recursive) {
      const PathString parent = path.parent();
      if (std::strcmp(parent.utf8(), path.utf8()) != 0) {
        const uint32_t status = createDirectory(parent, true);
        if (status != KX_STATUS_SUCCESS) return status;
      }
    }
  } catch (const KxUtilException&) {
    KxSetLastSystemError(KX_ERROR_NO_MEMORY);
    return KX_STATUS_DIRECTORY;
  }
  int error = 0;
  const char* native = nativePath(path, &error);
  if (native != nullptr) error = KxMakeDirectory(native);
  if (error == 0) return KX_STATUS_SUCCESS;
  // A directory made in the meantime by another writer is just as good.
  if (error == KX_ERROR_ALREADY_EXISTS && isDirectory(path)) return KX_STATUS_SUCCESS;
  KxSetLastSystemError(error);
  return KX_STATUS_DIRECTORY;
}

void getSystemErrorText(int number, char* buffer, uint32_t* size) {
  if (size == nullptr) return;
  char text[2048];
  uint32_t length = 0;
  if (KxSystemErrorMessage(number, text, sizeof text)) {
    text[std::strcspn(text, "\r\n")] = '\0';
    length = static_cast<uint32_t>(std::strlen(text));
  }
  // Copy what fits, always terminated.
  if (buffer != nullptr && *size > 0) {
    const uint32_t copied = length < *size - 1 ? length : *size - 1;
    std::memcpy(buffer, text, copied);
    buffer[copied] = '\0';
  }
  *size = length > 0 ? length + 1 : 0;
}

}  // namespace Kelvane
