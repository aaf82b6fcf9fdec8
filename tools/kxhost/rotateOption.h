// The --rotate option of `kxhost render`: the module's transposer on top of
// the chain, and the geo-referencing of a scene of the turned image.
#ifndef KXHOST_ROTATE_OPTION_H
#define KXHOST_ROTATE_OPTION_H

#include <cstdint>
#include <string>

#include "kxhost/commandLine.h"
#include "kxhost/kelvaneApi.h"
#include "kxhost/stageChain.h"

namespace kxhost {

// The clockwise angle of --rotate (90, 180 or 270), 0 without the option;
// false with a one-line reason for any other value, or beside --map-rect,
// whose map decode does not pass through the transposer.
bool ParseRotateOption(const CommandLine& line, uint32_t* angle, std::string* error);

// The transposer stage turning its upstream clockwise by `angle`.
StageStep TransposerStep(uint32_t angle);

// The geotransform of `scene`, a scene of the image turned clockwise by
// `angle` whose whole extent at the scene's magnification is turnedWidth x
// turnedHeight pixels; `domain` places the unturned image (its upper-left
// corner and pixel size at magnification 1).
void TurnedSceneGeoTransform(uint32_t angle, const Scene& scene, double turnedWidth, double turnedHeight,
                             const GeoDomain& domain, double transform[6]);

}  // namespace kxhost

#endif  // KXHOST_ROTATE_OPTION_H
