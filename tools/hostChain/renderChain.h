// The chain a render decodes through: the image's GDAL source at the bottom
// and, in the render option table's stacking order, the stage each setting
// asks for.
#ifndef KX_HOST_CHAIN_RENDER_CHAIN_H
#define KX_HOST_CHAIN_RENDER_CHAIN_H

#include <optional>
#include <string>

#include "hostChain/gdalSource.h"
#include "hostChain/moduleLibrary.h"
#include "hostChain/moduleLocation.h"
#include "hostChain/renderSettings.h"
#include "hostChain/stageChain.h"

namespace kxhost {

// The module is declared first so that it outlives every object made from
// it; it stays closed when no setting asks for a stage.
struct RenderChain {
  ModuleLibrary module;
  ComPtr<GdalSource> source;
  std::optional<StageChain> links;  // the source, then each stage on top

  IKxContentImp* head() const { return links->head(); }
};

// Opens the image, checks the settings against it, loads the module (found
// by `search`, its choice logged at `logLevel`) when a stage is needed and
// stacks the stages; false with a one-line reason. `logger` may be null.
bool BuildRenderChain(const RenderSettings& settings, const ModuleSearch& search, KxHostLoggerBase* logger,
                      uint32_t logLevel, RenderChain* chain, std::string* error);

}  // namespace kxhost

#endif  // KX_HOST_CHAIN_RENDER_CHAIN_H
