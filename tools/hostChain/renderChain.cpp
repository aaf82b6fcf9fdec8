#include "hostChain/renderChain.h"

#include <vector>

#include "hostChain/moduleLocation.h"
#include "hostChain/renderOptionTable.h"

namespace kxhost {

bool BuildRenderChain(const RenderSettings& settings, const ModuleSearch& search, KxHostLoggerBase* logger,
                      uint32_t logLevel, RenderChain* chain, std::string* error) {
  // The source, reading reduced magnifications with the chosen resampling.
  GdalSource::Options sourceOptions;
  sourceOptions.resampling = settings.resampling;
  if (!GdalSource::open(settings.image, sourceOptions, logger, chain->source, error)) return false;

  // Each option's stage, lowest first, and the module only when there is one.
  std::vector<StageStep> steps;
  for (const RenderOptionRow* row : StageRows()) {
    if (!row->addStage(settings, *chain->source.get(), &steps, error)) return false;
  }
  if (!steps.empty() && !OpenModule(search, logger, logLevel, chain->module, error)) return false;

  // The source, then each stage on top.
  chain->source->AddRef();
  chain->links.emplace(ComPtr<IKxContentImp>(chain->source.get()));
  for (const StageStep& step : steps) {
    if (!chain->links->push(chain->module, step, logger, error)) return false;
  }
  return true;
}

}  // namespace kxhost
