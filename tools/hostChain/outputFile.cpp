#include "hostChain/outputFile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace kxhost {

namespace {

// Numbers the temporary names this process makes, so that threads writing
// one path at once (the GDAL driver's and the tile server's opens of one
// chain) each write a file of their own.
std::atomic<uint64_t> temporarySerial{0};

std::string TemporaryPathFor(const std::string& path) {
  return path + ".kxhost-" + std::to_string(getpid()) + "-" + std::to_string(++temporarySerial) + ".tmp";
}

}  // namespace

OutputFile::OutputFile(const std::string& path) : path_(path), temporary_(TemporaryPathFor(path)) {}

OutputFile::~OutputFile() {
  if (!committed_) std::remove(temporary_.c_str());
}

bool OutputFile::commit(std::string* error) {
  if (std::rename(temporary_.c_str(), path_.c_str()) == 0) {
    committed_ = true;
    return true;
  }
  *error = "cannot write " + path_ + ": " + std::strerror(errno);
  return false;
}

bool SameExistingFile(const std::string& first, const std::string& second) {
  struct stat a {};
  struct stat b {};
  return stat(first.c_str(), &a) == 0 && stat(second.c_str(), &b) == 0 && a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

bool IsRegularInput(const std::string& path, std::string* error) {
  if (path.rfind("/vsi", 0) == 0) return true;
  struct stat status {};
  // A missing file is left to GDAL, which says why it cannot be opened.
  if (stat(path.c_str(), &status) != 0 || S_ISREG(status.st_mode)) return true;
  *error = "cannot open " + path + ": not a regular file";
  return false;
}

}  // namespace kxhost
