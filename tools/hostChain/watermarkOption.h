// The --watermark option of `kxhost render`: the module's watermarker on top
// of the chain, stamping an image into the bottom-right corner of every
// decoded tile.
#ifndef KX_HOST_CHAIN_WATERMARK_OPTION_H
#define KX_HOST_CHAIN_WATERMARK_OPTION_H

#include <memory>
#include <string>
#include <vector>

#include "hostChain/renderSettings.h"
#include "hostChain/stageChain.h"
#include "hostChain/watermarkImage.h"

namespace kxhost {

class GdalSource;

// The path of --watermark IMAGE into `settings`; false with a one-line
// reason when it is empty. The image is read when the chain is built.
bool ParseWatermarkSetting(const std::string& value, RenderSettings* settings, std::string* error);

// The watermarker's step when the settings name a logo, read whole; false
// with a one-line reason when the image cannot serve as a watermark.
bool AddWatermarkerStage(const RenderSettings& settings, GdalSource& source, std::vector<StageStep>* steps,
                         std::string* error);

// The watermarker stage, given `watermark` (which it copies).
StageStep WatermarkerStep(std::shared_ptr<const WatermarkImage> watermark);

}  // namespace kxhost

#endif  // KX_HOST_CHAIN_WATERMARK_OPTION_H
