// Files of the cache directory are written under a temporary name of their
// own beside their final name, then published under the final name only if
// no file has it (see platform/kxFilePublishCalls.h). This is the temporary
// file's side of that: its name, and its removal on every way out.
#ifndef KELVANE_STAGES_PERSISTANT_PIXEL_CACHE_KXV_TEMPORARY_FILE_H
#define KELVANE_STAGES_PERSISTANT_PIXEL_CACHE_KXV_TEMPORARY_FILE_H

#include "support/kxPathString.h"

namespace Kelvane {

// A new temporary name beside `path`: "<path>.<process>.<serial>.tmp". Names
// of one process are numbered, so concurrent writers never share one.
PathString temporaryNameFor(const PathString& path);

// A temporary file, removed when this goes out of scope unless it has been
// published under its final name.
class KxvTemporaryFile {
 public:
  KxvTemporaryFile() = default;
  ~KxvTemporaryFile();
  KxvTemporaryFile(const KxvTemporaryFile&) = delete;
  KxvTemporaryFile& operator=(const KxvTemporaryFile&) = delete;

  const PathString& path() const { return path_; }
  // Takes charge of the file at `path`, made by the caller.
  void adopt(const PathString& path) { path_ = path; }
  // Publishes the file under `finalPath` without replacing anything there;
  // gives 0 (the file is no longer this object's), KX_ERROR_ALREADY_EXISTS
  // when a file has that name, or another platform error number.
  int publishAs(const PathString& finalPath);

 private:
  PathString path_;  // empty when there is nothing to remove
};

}  // namespace Kelvane

#endif  // KELVANE_STAGES_PERSISTANT_PIXEL_CACHE_KXV_TEMPORARY_FILE_H
