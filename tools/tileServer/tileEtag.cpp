#include "tileServer/tileEtag.h"

#include <cstdio>

namespace kxhost {

std::string TileEtag(const std::string& chainIdentity, uint32_t z, uint32_t x, uint32_t y) {
  const std::string text =
      chainIdentity + "\ntile " + std::to_string(z) + "/" + std::to_string(x) + "/" + std::to_string(y);
  uint64_t hash = 14695981039346656037ull;
  for (const char c : text) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 1099511628211ull;
  }
  char tag[24];
  std::snprintf(tag, sizeof tag, "\"%016llx\"", static_cast<unsigned long long>(hash));
  return tag;
}

bool EtagMatches(const std::string& ifNoneMatch, const std::string& etag) {
  // Tags separated by commas and spaces; a weak tag (W/"...") matches too,
  // as If-None-Match compares weakly.
  size_t start = 0;
  while (start < ifNoneMatch.size()) {
    size_t end = ifNoneMatch.find(',', start);
    if (end == std::string::npos) end = ifNoneMatch.size();
    std::string tag = ifNoneMatch.substr(start, end - start);
    const size_t first = tag.find_first_not_of(" \t");
    const size_t last = tag.find_last_not_of(" \t");
    tag = first == std::string::npos ? "" : tag.substr(first, last - first + 1);
    if (tag.rfind("W/", 0) == 0) tag = tag.substr(2);
    if (tag == "*" || tag == etag) return true;
    start = end + 1;
  }
  return false;
}

}  // namespace kxhost
