// Where a host loads the module from. A host finds an in-process module by
// its class key in the registry; kxhost and the GDAL driver do the same, and
// fall back to the module built beside them or installed with them.
#ifndef KX_HOST_CHAIN_MODULE_LOCATION_H
#define KX_HOST_CHAIN_MODULE_LOCATION_H

#include <string>

#include "hostChain/kelvaneApi.h"
#include "hostChain/moduleLibrary.h"

namespace kxhost {

// Where to look, as the host knows itself.
struct ModuleSearch {
  std::string explicitPath;               // a path the user named; empty: search
  std::string ownDirectory;               // the directory of the host's own file, with a trailing '/'
  std::string installedFromOwnDirectory;  // the installed module's path relative to that directory
};

struct ModuleLocation {
  std::string path;
  std::string foundBy;  // how the path was found, for a log line
};

// In order: the explicit path; the registry's InprocServer32 value of the
// first of the module's classes that is registered to an existing file; the
// module beside the host's own file (a build tree); the module in the
// library directory of the installation the host belongs to. When none
// exists, the path beside the host, so that loading it names what is missing.
ModuleLocation LocateModule(const ModuleSearch& search);

// Locates and loads the module; logs which one at `logLevel` when a logger is given.
bool OpenModule(const ModuleSearch& search, KxHostLoggerBase* logger, uint32_t logLevel, ModuleLibrary& module,
                std::string* error);

// The directory of the running executable, from the kernel's own link, with
// a trailing '/'; empty when it cannot be read.
std::string ProgramDirectory();

}  // namespace kxhost

#endif  // KX_HOST_CHAIN_MODULE_LOCATION_H
