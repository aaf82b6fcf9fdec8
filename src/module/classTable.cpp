#include "module/classTable.h"

#include "stages/kxv_multibandSelectorImp.h"
#include "stages/kxv_transposerImp.h"
#include "stages/persistantPixelCache/kxv_persistantPixelCache.h"
#include "stages/pixelReplacer/kxv_pixelReplacerImp.h"

namespace Kelvane {

// A class has a row only once it is served for real.
const KxComClassEntry g_kxClassTable[] = {
    {&CLSID_KxvMultibandSelectorImp, KxComCreate<KxvMultibandSelectorImp>, "Kelvane Multiband Selector Content Imp"},
    {&CLSID_KxvPixelReplacerImp, KxComCreate<KxvPixelReplacerImp>, "Kelvane Pixel Replacer Content Imp"},
    {&CLSID_KxvPersistantPixelCache, KxComCreate<KxvPersistantPixelCache>, "Persistant Pixel Cache"},
    {&CLSID_KxvTransposerImp, KxComCreate<KxvTransposerImp>, "Kelvane Transposer Content Imp"},
    {nullptr, nullptr, nullptr},
};

}  // namespace Kelvane
