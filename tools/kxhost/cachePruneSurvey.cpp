#include "kxhost/cachePruneSurvey.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <utility>

namespace kxhost {

namespace {

namespace fs = std::filesystem;

// Levels of nesting below the top that hold caches: source, band list, tile size.
constexpr int kDeepestCache = 3;

struct Entry {
  std::string name;
  std::string path;
  struct stat status;
};

bool endsWith(const std::string& text, const char* end) {
  const size_t length = std::strlen(end);
  return text.size() >= length && text.compare(text.size() - length, length, end) == 0;
}

bool isDirectory(const Entry& entry) { return S_ISDIR(entry.status.st_mode); }

int64_t nanoseconds(const struct timespec& time) {
  return static_cast<int64_t>(time.tv_sec) * 1000000000 + static_cast<int64_t>(time.tv_nsec);
}

// A whole number with nothing after it, as a level or row directory is named.
bool parsesWhole(const std::string& name, double* value, bool integral) {
  errno = 0;
  char* end = nullptr;
  *value = integral ? static_cast<double>(std::strtoll(name.c_str(), &end, 10)) : std::strtod(name.c_str(), &end);
  return errno == 0 && end != name.c_str() && *end == '\0' && std::isfinite(*value);
}

// The entries of `directory` by name, seen with lstat. A directory or an
// entry removed meanwhile is left out.
bool listEntries(const std::string& directory, std::vector<Entry>* entries, std::string* error) {
  std::error_code failure;
  fs::directory_iterator it(directory, failure), end;
  for (; !failure && it != end; it.increment(failure)) {
    Entry entry{it->path().filename().string(), it->path().string(), {}};
    if (::lstat(entry.path.c_str(), &entry.status) == 0) {
      entries->push_back(std::move(entry));
    } else if (errno != ENOENT) {
      *error = "cannot read " + entry.path + ": " + std::strerror(errno);
      return false;
    }
  }
  if (failure && failure != std::errc::no_such_file_or_directory) {
    *error = "cannot read " + directory + ": " + failure.message();
    return false;
  }
  std::sort(entries->begin(), entries->end(), [](const Entry& a, const Entry& b) { return a.name < b.name; });
  return true;
}

CacheFile fileOf(const Entry& entry) {
  return CacheFile{entry.path, static_cast<uint64_t>(entry.status.st_size), nanoseconds(entry.status.st_mtim),
                   nanoseconds(entry.status.st_atim)};
}

bool surveyRow(const Entry& directory, CacheRow* row, std::string* error) {
  row->path = directory.path;
  row->modified = nanoseconds(directory.status.st_mtim);
  std::vector<Entry> entries;
  if (!listEntries(directory.path, &entries, error)) return false;
  row->entries = entries.size();
  for (const Entry& entry : entries) {
    if (!S_ISREG(entry.status.st_mode)) continue;
    if (endsWith(entry.name, ".raw")) row->tiles.push_back(fileOf(entry));
    if (endsWith(entry.name, ".tmp")) row->temporaries.push_back(fileOf(entry));
  }
  return true;
}

bool surveyLevel(const Entry& directory, double level, CacheLevel* out, std::string* error) {
  out->path = directory.path;
  out->name = directory.name;
  out->level = level;
  out->modified = nanoseconds(directory.status.st_mtim);
  std::vector<Entry> entries;
  if (!listEntries(directory.path, &entries, error)) return false;
  out->entries = entries.size();
  for (const Entry& entry : entries) {
    double row = 0.0;
    if (!isDirectory(entry) || !parsesWhole(entry.name, &row, true)) continue;
    out->rows.emplace_back();
    if (!surveyRow(entry, &out->rows.back(), error)) return false;
  }
  return true;
}

// source.txt's lines joined by commas, or "" when `directory` holds none.
std::string sourceText(const std::string& directory) {
  std::ifstream source(directory + "/source.txt");
  std::string line, text;
  while (std::getline(source, line)) text += (text.empty() ? "" : ", ") + line;
  return text;
}

// Surveys `directory` (its levels first), then the directories below it by
// name; a source's directory restarts the labels of those below it.
bool surveyTree(const std::string& directory, const std::string& label, int depth,
                std::vector<CacheDirectory>* directories, std::string* error) {
  std::vector<Entry> entries;
  if (!listEntries(directory, &entries, error)) return false;
  const size_t index = directories->size();
  directories->push_back(CacheDirectory{directory, label, "", {}});
  std::vector<Entry> children;
  for (const Entry& entry : entries) {
    double level = 0.0;
    if (!isDirectory(entry)) continue;
    if (!parsesWhole(entry.name, &level, false)) {
      children.push_back(entry);
      continue;
    }
    CacheLevel surveyed;
    if (!surveyLevel(entry, level, &surveyed, error)) return false;
    (*directories)[index].levels.push_back(std::move(surveyed));
  }
  std::stable_sort((*directories)[index].levels.begin(), (*directories)[index].levels.end(),
                   [](const CacheLevel& a, const CacheLevel& b) { return a.level < b.level; });
  // Deeper than source, band list and tile size is no cache kxhost made.
  for (const Entry& child : children) {
    if (depth >= kDeepestCache) break;
    const std::string source = sourceText(child.path);
    const size_t next = directories->size();
    if (!surveyTree(child.path, source.empty() ? label + child.name + " " : "  ", depth + 1, directories, error))
      return false;
    if (!source.empty()) (*directories)[next].source = "source " + child.name + ": " + source;
  }
  return true;
}

}  // namespace

bool SurveyCaches(const std::string& root, std::vector<CacheDirectory>* directories, std::string* error) {
  directories->clear();
  struct stat status;
  if (::stat(root.c_str(), &status) != 0 || !S_ISDIR(status.st_mode)) {
    *error = root + " is not a directory";
    return false;
  }
  return surveyTree(root, "", 0, directories, error);
}

}  // namespace kxhost
