#include "module/myDllInfo.h"

#include "module/classTable.h"

namespace Kelvane {

namespace {
// Constant-initialised, so it is ready before any load hook runs.
MyDllInfo g_moduleInfo(g_kxClassTable);
}  // namespace

MyDllInfo& KxModuleInfo() { return g_moduleInfo; }

HRESULT MyDllInfo::OnAttach() { return S_OK; }

HRESULT MyDllInfo::OnDetach() { return S_OK; }

}  // namespace Kelvane
