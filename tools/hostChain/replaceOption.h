// The --replace option of `kxhost render`: the module's pixel replacer on
// the chain, turning every decoded pixel of one value into another (for
// example the nodata black into white).
#ifndef KX_HOST_CHAIN_REPLACE_OPTION_H
#define KX_HOST_CHAIN_REPLACE_OPTION_H

#include <string>
#include <vector>

#include "hostChain/kelvaneApi.h"
#include "hostChain/renderSettings.h"
#include "hostChain/stageChain.h"

namespace kxhost {

class GdalSource;

// The replacement of --replace FROM=TO into `settings`; false with a
// one-line reason for a malformed value.
bool ParseReplaceSetting(const std::string& value, RenderSettings* settings, std::string* error);

// The replacer's step when the settings replace a pixel, after checking the
// replacement against the bands the chain will render from `source`, in its
// sample type; false with a one-line reason otherwise.
bool AddPixelReplacerStage(const RenderSettings& settings, GdalSource& source, std::vector<StageStep>* steps,
                           std::string* error);

// The pixel replacer stage, storing the replacement as pixels of the sample
// type its upstream renders.
StageStep PixelReplacerStep(const PixelReplacement& replacement);

}  // namespace kxhost

#endif  // KX_HOST_CHAIN_REPLACE_OPTION_H
