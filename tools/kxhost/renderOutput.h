// The output file of a render: checked before anything is decoded, and
// written from the decoded scene with the chain's geo-referencing.
#ifndef KXHOST_RENDER_OUTPUT_H
#define KXHOST_RENDER_OUTPUT_H

#include <string>

#include "hostChain/renderChain.h"
#include "hostChain/renderSettings.h"
#include "kxhost/sceneDecode.h"

namespace kxhost {

// Refuses an output whose format its name does not tell, or that names the
// input image; false with a one-line reason.
bool CheckRenderOutput(const RenderSettings& settings, std::string* error);

// Writes the decoded scene to the settings' output and reports it on stdout;
// false with a one-line reason.
bool WriteRenderOutput(const RenderSettings& settings, const RenderChain& chain, const DecodedScene& decoded,
                       std::string* error);

}  // namespace kxhost

#endif  // KXHOST_RENDER_OUTPUT_H
