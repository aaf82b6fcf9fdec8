#include "module/myDllInfo.h"

#include "module/classTable.h"
#include "raster/colorSpace/standardTransformers.h"
#include "raster/colorSpace/transformerRegistry.h"

namespace Kelvane {

namespace {
// Constant-initialised, so it is ready before any load hook runs.
MyDllInfo g_moduleInfo(g_kxClassTable);
}  // namespace

MyDllInfo& KxModuleInfo() { return g_moduleInfo; }

// A registry that cannot be built is left empty: the module still loads and
// its lookups find no transformer.
HRESULT MyDllInfo::OnAttach() {
  buildTransformerRegistry();
  return S_OK;
}

HRESULT MyDllInfo::OnDetach() {
  clearRegistry();
  return S_OK;
}

}  // namespace Kelvane
