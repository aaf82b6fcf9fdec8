// Process attach and detach: the loader runs these when the module is loaded
// and unloaded, in place of the platform's module-entry notification.
#include "module/myDllInfo.h"

namespace {

__attribute__((constructor)) void KxOnModuleLoad() {
  Kelvane::KxModuleEntry(Kelvane::KxModuleInfo(), Kelvane::KX_PROCESS_ATTACH);
}

__attribute__((destructor)) void KxOnModuleUnload() {
  Kelvane::KxModuleEntry(Kelvane::KxModuleInfo(), Kelvane::KX_PROCESS_DETACH);
}

}  // namespace
