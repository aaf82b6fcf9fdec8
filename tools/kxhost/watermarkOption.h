// The --watermark option of `kxhost render`: the module's watermarker on top
// of the chain, stamping an image into the bottom-right corner of every
// decoded tile.
#ifndef KXHOST_WATERMARK_OPTION_H
#define KXHOST_WATERMARK_OPTION_H

#include <memory>
#include <string>

#include "kxhost/commandLine.h"
#include "kxhost/stageChain.h"
#include "kxhost/watermarkImage.h"

namespace kxhost {

// The image of --watermark IMAGE, read whole; null without the option. False
// with a one-line reason when the image cannot serve as a watermark, or
// beside --map-rect, whose map decode does not pass through the watermarker.
bool ReadWatermarkOption(const CommandLine& line, std::shared_ptr<const WatermarkImage>* watermark, std::string* error);

// The watermarker stage, given `watermark` (which it copies).
StageStep WatermarkerStep(std::shared_ptr<const WatermarkImage> watermark);

}  // namespace kxhost

#endif  // KXHOST_WATERMARK_OPTION_H
