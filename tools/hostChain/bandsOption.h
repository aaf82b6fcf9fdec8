// The --bands option of `kxhost render`: the module's multiband selector
// directly above the source, showing the listed bands in their order.
#ifndef KX_HOST_CHAIN_BANDS_OPTION_H
#define KX_HOST_CHAIN_BANDS_OPTION_H

#include <string>
#include <vector>

#include "hostChain/renderSettings.h"
#include "hostChain/stageChain.h"

namespace kxhost {

class GdalSource;

// The band list of --bands (numbers from 1, up to 256 of them) into
// `settings`; false with a one-line reason.
bool ParseBandsSetting(const std::string& value, RenderSettings* settings, std::string* error);

// The selector's step for a band list, after checking each band against the
// source; false with a one-line reason naming a band it does not have.
bool AddMultibandSelectorStage(const RenderSettings& settings, GdalSource& source, std::vector<StageStep>* steps,
                               std::string* error);

}  // namespace kxhost

#endif  // KX_HOST_CHAIN_BANDS_OPTION_H
