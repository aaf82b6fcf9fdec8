// The chain a render decodes through: the image's GDAL source at the bottom
// and, in the render option table's stacking order, the stage each setting
// asks for.
#ifndef KXHOST_RENDER_CHAIN_H
#define KXHOST_RENDER_CHAIN_H

#include <optional>
#include <string>

#include "kxhost/commands.h"
#include "kxhost/gdalSource.h"
#include "kxhost/moduleLibrary.h"
#include "kxhost/renderSettings.h"
#include "kxhost/stageChain.h"

namespace kxhost {

// The module is declared first so that it outlives every object made from
// it; it stays closed when no setting asks for a stage.
struct RenderChain {
  ModuleLibrary module;
  ComPtr<GdalSource> source;
  std::optional<StageChain> links;  // the source, then each stage on top

  IKxContentImp* head() const { return links->head(); }
};

// Opens the image, checks the settings against it, loads the module when a
// stage is needed and stacks the stages; false with a one-line reason.
bool BuildRenderChain(const RenderSettings& settings, const HostContext& context, RenderChain* chain,
                      std::string* error);

}  // namespace kxhost

#endif  // KXHOST_RENDER_CHAIN_H
