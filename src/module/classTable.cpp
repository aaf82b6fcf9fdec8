#include "module/classTable.h"

#include "stages/multibandSelector/kxv_multibandSelectorImp.h"
#include "stages/persistantPixelCache/kxv_persistantPixelCache.h"
#include "stages/pixelReplacer/kxv_pixelReplacerImp.h"
#include "stages/transposer/kxv_transposerImp.h"
#include "stages/watermarker/kxv_watermarkerImp.h"

namespace Kelvane {

// Lookup and registration walk the rows in this order.
const KxComClassEntry g_kxClassTable[] = {
    {&CLSID_KxvWatermarkerImp, KxComCreate<KxvWatermarkerImp>, "Kelvane Watermarker Content Imp"},
    {&CLSID_KxvMultibandSelectorImp, KxComCreate<KxvMultibandSelectorImp>, "Kelvane Multiband Selector Content Imp"},
    {&CLSID_KxvPixelReplacerImp, KxComCreate<KxvPixelReplacerImp>, "Kelvane Pixel Replacer Content Imp"},
    {&CLSID_KxvPersistantPixelCache, KxComCreate<KxvPersistantPixelCache>, "Persistant Pixel Cache"},
    {&CLSID_KxvTransposerImp, KxComCreate<KxvTransposerImp>, "Kelvane Transposer Content Imp"},
    {nullptr, nullptr, nullptr},
};

}  // namespace Kelvane
