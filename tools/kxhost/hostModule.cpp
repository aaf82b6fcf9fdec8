#include "kxhost/hostModule.h"

namespace kxhost {

ModuleSearch KxhostModuleSearch(const CommandLine& line) {
  ModuleSearch search;
  search.explicitPath = line.value("module", "");
  search.ownDirectory = ProgramDirectory();
  search.installedFromOwnDirectory = KXHOST_INSTALLED_MODULE_FROM_BINDIR;
  return search;
}

bool OpenModule(const HostContext& context, ModuleLibrary& module, std::string* error) {
  return OpenModule(KxhostModuleSearch(context.line), context.logger, StderrLogger::kVerboseLevel, module, error);
}

}  // namespace kxhost
