// Where kxhost keeps the tiles of one source and configuration below its
// --cache DIR. Tile names carry neither the image, nor the band list, nor
// the tile size, and the module serves a directory only to the configuration
// it was made for, so each gets a directory of its own:
//   DIR/<file name>.<key>/<bands-all | bands-3-2-1>/tiles-<width>x<height>/
// where <key> is 16 hex digits of a hash of the source's identity: its
// canonical path, size, modification time and the resampling that makes
// its reduced magnifications. The source directory also holds source.txt,
// which names them for cache-stats.
#ifndef KX_HOST_CHAIN_CACHE_KEY_H
#define KX_HOST_CHAIN_CACHE_KEY_H

#include <cstdint>
#include <string>
#include <vector>

namespace kxhost {

// What identifies a source's pixels.
struct SourceIdentity {
  std::string canonicalPath;
  uint64_t size = 0;
  int64_t modifiedSeconds = 0;
  int64_t modifiedNanoseconds = 0;
  std::string resampling;
};

// The identity of the file at `path` (as given, size and time 0, when it is
// no local file, as for GDAL's virtual paths).
SourceIdentity IdentifySource(const std::string& path, const std::string& resampling);

// The text of source.txt, and the name of the source's directory.
std::string SourceText(const SourceIdentity& source);
std::string SourceDirectoryName(const SourceIdentity& source);

// The cache directory below `root` for `source`, `bands` (from 1, empty for
// every band) and the tile size.
std::string CacheDirectoryFor(const std::string& root, const SourceIdentity& source, const std::vector<uint32_t>& bands,
                              uint32_t tileWidth, uint32_t tileHeight);

// Makes the source's directory below `root` and writes its source.txt
// (whole, under a temporary name first); false with a one-line reason.
bool DescribeSourceDirectory(const std::string& root, const SourceIdentity& source, std::string* error);

}  // namespace kxhost

#endif  // KX_HOST_CHAIN_CACHE_KEY_H
