#include "com/kxComModule.h"

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

HRESULT MyDllInfo::OnAttach() { return S_OK; }

HRESULT MyDllInfo::OnDetach() { return S_OK; }

}  // namespace Kelvane
