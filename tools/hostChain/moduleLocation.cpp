#include "hostChain/moduleLocation.h"

#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

namespace kxhost {

namespace {

// The file name the build gives the module; an installation also carries the
// name with the module's major version, which is what the package registers.
const char kModuleFileName[] = "libkx_lib_sp_xform.so";

// The path with its directory resolved (no "." or ".." parts, no linked
// directories) and its file name kept, so that a versioned link such as the
// module's SONAME stays the name registered; the path itself when the
// directory cannot be resolved.
std::string WithCanonicalDirectory(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return path;
  char resolved[PATH_MAX];
  if (realpath(path.substr(0, slash + 1).c_str(), resolved) == nullptr) return path;
  return std::string(resolved) + path.substr(slash);
}

bool IsFile(const std::string& path) {
  struct stat status {};
  return !path.empty() && stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode);
}

}  // namespace

std::string ProgramDirectory() {
  char self[PATH_MAX];
  const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
  if (length <= 0) return std::string();
  std::string directory(self, static_cast<size_t>(length));
  const size_t slash = directory.rfind('/');
  directory.resize(slash == std::string::npos ? 0 : slash + 1);
  return directory;
}

namespace {

bool RegisteredModule(std::string* path, std::string* className) {
  size_t count = 0;
  const KnownClass* classes = KnownClasses(&count);
  for (size_t i = 0; i < count; ++i) {
    std::string registered;
    if (KxRegisteredModulePath(*classes[i].clsid, &registered) && IsFile(registered)) {
      *path = registered;
      *className = classes[i].name;
      return true;
    }
  }
  return false;
}

}  // namespace

ModuleLocation LocateModule(const ModuleSearch& search) {
  if (!search.explicitPath.empty()) return {search.explicitPath, "--module"};
  std::string registered;
  std::string className;
  if (RegisteredModule(&registered, &className)) return {registered, "the registry (class \"" + className + "\")"};
  const std::string beside = search.ownDirectory + kModuleFileName;
  if (IsFile(beside)) return {beside, "the program's own directory"};
  const std::string installed = search.ownDirectory + search.installedFromOwnDirectory;
  if (!search.installedFromOwnDirectory.empty() && IsFile(installed))
    return {WithCanonicalDirectory(installed), "the installation's library directory"};
  return {beside, "the program's own directory"};
}

bool OpenModule(const ModuleSearch& search, KxHostLoggerBase* logger, uint32_t logLevel, ModuleLibrary& module,
                std::string* error) {
  const ModuleLocation location = LocateModule(search);
  if (!module.open(location.path, error)) return false;
  const std::string message = "module " + location.path + " (found through " + location.foundBy + ")";
  if (logger != nullptr) logger->Write(logLevel, message.c_str());
  return true;
}

}  // namespace kxhost
