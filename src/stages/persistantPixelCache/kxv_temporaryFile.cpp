#include "stages/persistantPixelCache/kxv_temporaryFile.h"

#include <atomic>
#include <cstdio>
#include <string>

#include "platform/kxFilePublishCalls.h"
#include "platform/kxFileSystemCalls.h"
#include "platform/kxProcess.h"

namespace Kelvane {

namespace {

// Serial numbers of this process's temporary names.
std::atomic<uint32_t> g_temporarySerial{0};

}  // namespace

PathString temporaryNameFor(const PathString& path) {
  char suffix[48];
  std::snprintf(suffix, sizeof suffix, ".%u.%u.tmp", KxProcessNumber(), g_temporarySerial.fetch_add(1));
  return PathString((std::string(path.utf8()) + suffix).c_str());
}

KxvTemporaryFile::~KxvTemporaryFile() {
  if (!path_.empty()) KxRemoveFile(path_.ansi());
}

int KxvTemporaryFile::publishAs(const PathString& finalPath) {
  const int published = KxPublishFile(path_.ansi(), finalPath.ansi());
  if (published == 0) path_ = PathString();
  return published;
}

}  // namespace Kelvane
