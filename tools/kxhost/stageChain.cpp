#include "kxhost/stageChain.h"

namespace Kelvane {

namespace {

// "what failed: status" for a failed step.
bool failed(const std::string& stage, const std::string& what, HRESULT status, std::string* error) {
  *error = stage + ": " + what + " failed with " + KxStatusText(status);
  return false;
}

}  // namespace

KxStageStep KxMultibandSelectorStep(const std::vector<uint16_t>& bandMap) {
  KxStageStep step;
  step.name = "multiband selector";
  step.clsid = CLSID_KxvMultibandSelectorImp;
  step.configure = [bandMap](IKxContentImp* stage, std::string* what) {
    KxComPtr<IKxMultibandSelector> selector;
    *what = "QueryInterface(IKxMultibandSelector)";
    HRESULT status = stage->QueryInterface(IID_IKxMultibandSelector, selector.putVoid());
    if (FAILED(status)) return status;
    *what = "SetBands";
    return selector->SetBands(bandMap.data(), static_cast<uint16_t>(bandMap.size()));
  };
  return step;
}

KxStageChain::KxStageChain(KxComPtr<IKxContentImp> source) { links_.push_back(std::move(source)); }

bool KxStageChain::push(const KxModuleLibrary& module, const KxStageStep& step, IKxLogger* logger, std::string* error) {
  // A new instance through the module's class object.
  KxComPtr<IKxContentImp> stage;
  HRESULT status = module.createStage(step.clsid, stage);
  if (status == CLASS_E_CLASSNOTAVAILABLE) {
    *error = "the module " + module.path() + " does not serve the " + step.name + " (" + KxStatusText(status) + ")";
    return false;
  }
  if (FAILED(status)) return failed(step.name, "CreateInstance", status, error);

  // Logging is optional for a stage; a stage without it still renders.
  KxComPtr<IKxLoggable> loggable;
  if (logger != nullptr && SUCCEEDED(stage->QueryInterface(IID_IKxLoggable, loggable.putVoid()))) {
    loggable->SetLogger(logger);
  }

  // Link, initialise and configure, in the order stages expect.
  status = stage->SetContainedImp(head());
  if (FAILED(status)) return failed(step.name, "SetContainedImp", status, error);
  status = stage->Initialize();
  if (FAILED(status)) return failed(step.name, "Initialize", status, error);
  std::string what;
  status = step.configure(stage.get(), &what);
  if (FAILED(status)) return failed(step.name, what, status, error);
  links_.push_back(std::move(stage));
  return true;
}

}  // namespace Kelvane
