// Where kxhost loads the module from. A host finds an in-process module by
// its class key in the registry; kxhost does the same, and falls back to the
// module built beside it or installed with it.
#ifndef KXHOST_MODULE_LOCATION_H
#define KXHOST_MODULE_LOCATION_H

#include <string>

#include "kxhost/commands.h"
#include "kxhost/moduleLibrary.h"

namespace kxhost {

struct ModuleLocation {
  std::string path;
  std::string foundBy;  // how the path was found, for -v
};

// In order: --module; the registry's InprocServer32 value of the first of
// the module's classes that is registered to an existing file; the module
// beside the running program (a build tree); the module in the library
// directory of an installation the program belongs to. When none exists,
// the path beside the program, so that loading it names what is missing.
ModuleLocation LocateModule(const CommandLine& line);

// Locates and loads the module; under -v reports which one on stderr.
bool OpenModule(const HostContext& context, ModuleLibrary& module, std::string* error);

}  // namespace kxhost

#endif  // KXHOST_MODULE_LOCATION_H
