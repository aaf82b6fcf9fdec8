#include "com/kxComModule.h"

#include "raster/standardTransformers.h"
#include "raster/transformerRegistry.h"
#include "stages/kxv_multibandSelectorImp.h"
#include "stages/kxv_persistantPixelCache.h"
#include "stages/kxv_transposerImp.h"

namespace Kelvane {

// Rows in lookup and registration order; a class has a row only once it is
// served for real.
const KxComClassEntry g_kxClassTable[] = {
    {&CLSID_KxvMultibandSelectorImp, KxComCreate<KxvMultibandSelectorImp>, "Kelvane Multiband Selector Content Imp"},
    {&CLSID_KxvPersistantPixelCache, KxComCreate<KxvPersistantPixelCache>, "Persistant Pixel Cache"},
    {&CLSID_KxvTransposerImp, KxComCreate<KxvTransposerImp>, "Kelvane Transposer Content Imp"},
    {nullptr, nullptr, nullptr},
};

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
