// The --rotate option of `kxhost render`: the module's transposer on top of
// the chain, and the geo-referencing of a scene of the turned image.
#ifndef KX_HOST_CHAIN_ROTATE_OPTION_H
#define KX_HOST_CHAIN_ROTATE_OPTION_H

#include <cstdint>
#include <string>
#include <vector>

#include "hostChain/kelvaneApi.h"
#include "hostChain/renderSettings.h"
#include "hostChain/stageChain.h"

namespace kxhost {

class GdalSource;

// The clockwise angle of --rotate (90, 180 or 270) into `settings`; false
// with a one-line reason for any other value.
bool ParseRotateSetting(const std::string& value, RenderSettings* settings, std::string* error);

// The transposer's step when the settings turn the image.
bool AddTransposerStage(const RenderSettings& settings, GdalSource& source, std::vector<StageStep>* steps,
                        std::string* error);

// The transposer stage turning its upstream clockwise by `angle`.
StageStep TransposerStep(uint32_t angle);

// The geotransform of `scene`, a scene of the image turned clockwise by
// `angle` whose whole extent at the scene's magnification is turnedWidth x
// turnedHeight pixels; `domain` places the unturned image (its upper-left
// corner and pixel size at magnification 1).
void TurnedSceneGeoTransform(uint32_t angle, const Scene& scene, double turnedWidth, double turnedHeight,
                             const GeoDomain& domain, double transform[6]);

}  // namespace kxhost

#endif  // KX_HOST_CHAIN_ROTATE_OPTION_H
