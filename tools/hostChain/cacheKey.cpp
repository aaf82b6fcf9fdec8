#include "hostChain/cacheKey.h"

#include <sys/stat.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>

#include "hostChain/outputFile.h"

namespace kxhost {

namespace {

// FNV-1a, 64 bits: spreads paths well enough to keep sources apart by name.
uint64_t hashOf(const std::string& text) {
  uint64_t hash = 14695981039346656037ull;
  for (unsigned char c : text) {
    hash ^= c;
    hash *= 1099511628211ull;
  }
  return hash;
}

}  // namespace

SourceIdentity IdentifySource(const std::string& path, const std::string& resampling) {
  SourceIdentity source;
  source.canonicalPath = path;
  source.resampling = resampling;
  struct stat status {};
  if (path.rfind("/vsi", 0) == 0 || stat(path.c_str(), &status) != 0) return source;
  std::unique_ptr<char, void (*)(void*)> canonical(realpath(path.c_str(), nullptr), std::free);
  if (canonical != nullptr) source.canonicalPath = canonical.get();
  source.size = static_cast<uint64_t>(status.st_size);
  source.modifiedSeconds = static_cast<int64_t>(status.st_mtim.tv_sec);
  source.modifiedNanoseconds = static_cast<int64_t>(status.st_mtim.tv_nsec);
  return source;
}

std::string SourceText(const SourceIdentity& source) {
  char modified[64];
  std::snprintf(modified, sizeof modified, "%lld.%09lld", static_cast<long long>(source.modifiedSeconds),
                static_cast<long long>(source.modifiedNanoseconds));
  return "path " + source.canonicalPath + "\nsize " + std::to_string(source.size) + "\nmodified " + modified +
         "\nresampling " + source.resampling + "\n";
}

std::string SourceDirectoryName(const SourceIdentity& source) {
  std::string name = std::filesystem::path(source.canonicalPath).filename().string();
  // A name that is no directory entry of its own ("", ".", "..") gives way to the key alone.
  if (name.empty() || name == "." || name == "..") name = "source";
  char key[24];
  std::snprintf(key, sizeof key, ".%016llx", static_cast<unsigned long long>(hashOf(SourceText(source))));
  return name + key;
}

std::string CacheDirectoryFor(const std::string& root, const SourceIdentity& source, const std::vector<uint32_t>& bands,
                              uint32_t tileWidth, uint32_t tileHeight) {
  std::string bandList = bands.empty() ? "bands-all" : "bands";
  for (uint32_t band : bands) bandList += "-" + std::to_string(band);
  return root + "/" + SourceDirectoryName(source) + "/" + bandList + "/tiles-" + std::to_string(tileWidth) + "x" +
         std::to_string(tileHeight);
}

bool DescribeSourceDirectory(const std::string& root, const SourceIdentity& source, std::string* error) {
  const std::filesystem::path directory = std::filesystem::path(root) / SourceDirectoryName(source);
  std::error_code failure;
  std::filesystem::create_directories(directory, failure);
  if (failure) {
    *error = "cannot make the cache directory " + directory.string() + ": " + failure.message();
    return false;
  }
  // Every writer writes the same text: the last one to finish leaves it.
  OutputFile file((directory / "source.txt").string());
  std::ofstream out(file.temporaryPath(), std::ios::binary);
  out << SourceText(source);
  out.close();
  if (out) return file.commit(error);
  *error = "cannot write " + (directory / "source.txt").string();
  return false;
}

}  // namespace kxhost
