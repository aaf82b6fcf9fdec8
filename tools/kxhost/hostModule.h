// How kxhost finds the module: --module, else the registry, else beside the
// program or in the installation it belongs to.
#ifndef KXHOST_HOST_MODULE_H
#define KXHOST_HOST_MODULE_H

#include <string>

#include "hostChain/moduleLocation.h"
#include "kxhost/commands.h"

namespace kxhost {

// The search for the module as kxhost's command line and its own file set it.
ModuleSearch KxhostModuleSearch(const CommandLine& line);

// Locates and loads the module; under -v reports which one on stderr.
bool OpenModule(const HostContext& context, ModuleLibrary& module, std::string* error);

}  // namespace kxhost

#endif  // KXHOST_HOST_MODULE_H
