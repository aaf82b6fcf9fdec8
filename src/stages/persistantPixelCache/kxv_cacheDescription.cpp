#include "stages/persistantPixelCache/kxv_cacheDescription.h"

#include <cstdio>
#include <optional>
#include <vector>

#include "platform/kxFileSystemCalls.h"
#include "stages/persistantPixelCache/kxv_temporaryFile.h"
#include "support/kxFileSystem.h"
#include "support/kxIOFileStream.h"
#include "support/kxLog.h"

namespace Kelvane {

const char kCacheDescriptionName[] = "cache.description";

namespace {

// Longest description file read; a real one takes under 200 bytes.
constexpr uint32_t kMaxDescriptionBytes = 4096;
// Claims of one directory by several writers at once settle within a few rounds.
constexpr int kClaimRounds = 3;

// kUnreadable: the file may be there but could not be read (no file
// descriptors left, permission denied); the platform's last error says why.
enum class Reading { kMissing, kRead, kDamaged, kUnreadable };

// Reads the description file without following links.
Reading readDescription(const PathString& file, std::string* text) {
  FileStat stat;
  if (const int error = getEntryStat(file, &stat); error != 0) {
    if (error == KX_ERROR_NOT_FOUND || error == KX_ERROR_NOT_A_DIRECTORY) return Reading::kMissing;
    KxSetLastSystemError(error);
    return Reading::kUnreadable;
  }
  if (!stat.isRegularFile || stat.size() > kMaxDescriptionBytes) return Reading::kDamaged;
  KxIOFileStream in;
  in.readRegularFilesOnly();
  if (in.initialize(file, "rb") != KX_STATUS_SUCCESS || in.open() != KX_STATUS_SUCCESS) return Reading::kUnreadable;
  std::vector<char> bytes(kMaxDescriptionBytes + 1);
  const uint32_t got = in.read(bytes.data(), static_cast<uint32_t>(bytes.size()));
  if (in.getLastError() != KX_STATUS_SUCCESS) return Reading::kUnreadable;
  if (got > kMaxDescriptionBytes) return Reading::kDamaged;
  text->assign(bytes.data(), got);
  return Reading::kRead;
}

// The line of `text` that holds byte `at`.
std::string lineAt(const std::string& text, size_t at) {
  const size_t start = at == 0 ? 0 : text.rfind('\n', at - 1);
  const size_t begin = start == std::string::npos || at == 0 ? 0 : start + 1;
  const size_t end = text.find('\n', begin);
  return text.substr(begin, end == std::string::npos ? std::string::npos : end - begin);
}

// Logs the first line in which the directory's description and this stage's differ.
void logMismatch(const PathString& directory, const std::string& found, const std::string& wanted, IKxLogSink* sink) {
  size_t at = 0;
  while (at < found.size() && at < wanted.size() && found[at] == wanted[at]) ++at;
  logAtLevel(sink, KX_LOG_WARNING,
             "KxvPersistantPixelCache - cache directory %s was made for \"%s\", not \"%s\"; "
             "bypassing the cache",
             directory.utf8(), lineAt(found, at).c_str(), lineAt(wanted, at).c_str());
}

// Whether the directory holds anything besides a description being written;
// one that cannot be listed counts as holding something, one that does not
// exist as empty. A listing that fails because the directory did not exist
// yet is taken again when another writer has made it meanwhile.
bool holdsOtherFiles(const PathString& directory) {
  const char* native = directory.ansi();
  if (native == nullptr) return true;
  for (int attempt = 0; attempt < 2; ++attempt) {
    std::vector<std::string> names;
    if (KxListDirectory(native, &names) == 0) {
      for (const std::string& name : names) {
        if (name.compare(0, sizeof kCacheDescriptionName - 1, kCacheDescriptionName) != 0) return true;
      }
      return false;
    }
    if (!isDirectory(directory)) return false;
  }
  return true;
}

// Writes the description under a temporary name and publishes it; gives 0,
// KX_ERROR_ALREADY_EXISTS when another writer published first, or another
// error number after logging it.
int publishDescription(const PathString& file, const std::string& text, IKxLogSink* sink) {
  KxvTemporaryFile temporary;
  KxIOFileStream out;
  const PathString name = temporaryNameFor(file);
  if (out.initialize(name, "wbx") != KX_STATUS_SUCCESS || out.open() != KX_STATUS_SUCCESS) {
    logSystemError(sink, "failed opening %s for write", file.utf8());
    return KX_ERROR_INVALID_NAME;
  }
  temporary.adopt(name);
  const uint32_t size = static_cast<uint32_t>(text.size());
  if (out.write(text.data(), size) != size || out.close() != KX_STATUS_SUCCESS) {
    logSystemError(sink, "failed writing %s", file.utf8());
    return KX_ERROR_INVALID_NAME;
  }
  const int published = temporary.publishAs(file);
  if (published != 0 && published != KX_ERROR_ALREADY_EXISTS) {
    KxSetLastSystemError(published);
    logSystemError(sink, "failed naming %s", file.utf8());
  }
  return published;
}

// What a read of the description decides: the directory is served (true) or
// bypassed (false, logged), or nothing yet when there is no description.
std::optional<bool> judgeDescription(Reading reading, const std::string& found, const PathString& directory,
                                     const std::string& description, IKxLogSink* sink) {
  // A described directory serves whoever matches its description.
  if (reading == Reading::kRead) {
    if (found == description) return true;
    logMismatch(directory, found, description, sink);
    return false;
  }
  if (reading == Reading::kUnreadable) {
    logSystemError(sink,
                   "KxvPersistantPixelCache - cannot read the description of cache directory %s; bypassing the cache",
                   directory.utf8());
    return false;
  }
  if (reading == Reading::kDamaged) {
    logAtLevel(sink, KX_LOG_WARNING,
               "KxvPersistantPixelCache - cache directory %s has a damaged description; bypassing the cache",
               directory.utf8());
    return false;
  }
  return std::nullopt;
}

bool admits(const PathString& directory, const std::string& description, IKxLogSink* sink) {
  const PathString file(directory, kCacheDescriptionName);
  for (int round = 0; round < kClaimRounds; ++round) {
    std::string found;
    if (const std::optional<bool> judged =
            judgeDescription(readDescription(file, &found), found, directory, description, sink))
      return *judged;
    // Files of unknown origin are never served: only an empty directory is
    // claimed. Another writer may have published its description, and
    // written its first tiles, since the read above: its description decides.
    if (holdsOtherFiles(directory)) {
      if (const std::optional<bool> judged =
              judgeDescription(readDescription(file, &found), found, directory, description, sink))
        return *judged;
      logAtLevel(sink, KX_LOG_WARNING,
                 "KxvPersistantPixelCache - cache directory %s holds files but no description of what they were "
                 "made for; bypassing the cache",
                 directory.utf8());
      return false;
    }
    if (createDirectory(directory, true) != KX_STATUS_SUCCESS) {
      logSystemError(sink, "failed creating directory %s", directory.utf8());
      return false;
    }
    // Another writer may publish first; its description is read in the next round.
    const int published = publishDescription(file, description, sink);
    if (published == 0) return true;
    if (published != KX_ERROR_ALREADY_EXISTS) return false;
  }
  return false;
}

}  // namespace

std::string describeCache(uint32_t tileWidth, uint32_t tileHeight, const RasterProps& props,
                          const BufferFormat& imageFormat) {
  char text[320];
  std::snprintf(text, sizeof text,
                "kelvane persistent pixel cache 1\ntile %u %u\nimage %u %u\ncolorspace %u\nbands %u\ntype %u\n"
                "bps %u\n",
                tileWidth, tileHeight, props.width, props.height, props.colorSpace, props.numBands, imageFormat.type,
                props.bitsPerSample);
  return text;
}

bool admitsCache(const PathString& directory, const std::string& description, IKxLogSink* sink) noexcept {
  try {
    return admits(directory, description, sink);
  } catch (...) {
    return false;
  }
}

}  // namespace Kelvane
