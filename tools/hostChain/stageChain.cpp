#include "hostChain/stageChain.h"

namespace kxhost {

namespace {

// "what failed: status" for a failed step.
bool failed(const std::string& stage, const std::string& what, HRESULT status, std::string* error) {
  *error = stage + ": " + what + " failed with " + StatusText(status);
  return false;
}

}  // namespace

StageStep MultibandSelectorStep(const std::vector<uint16_t>& bandMap) {
  StageStep step;
  step.name = "multiband selector";
  step.clsid = CLSID_KxvMultibandSelectorImp;
  step.configure = [bandMap](IKxContentImp* stage, std::string* what) {
    ComPtr<IKxMultibandSelector> selector;
    *what = "QueryInterface(IKxMultibandSelector)";
    HRESULT status = stage->QueryInterface(IID_IKxMultibandSelector, selector.putVoid());
    if (FAILED(status)) return status;
    *what = "SetBands";
    return selector->SetBands(bandMap.data(), static_cast<uint16_t>(bandMap.size()));
  };
  return step;
}

StageChain::StageChain(ComPtr<IKxContentImp> source) { links_.push_back(std::move(source)); }

bool StageChain::push(const ModuleLibrary& module, const StageStep& step, IKxLogger* logger, std::string* error) {
  // A new instance through the module's class object.
  ComPtr<IKxContentImp> stage;
  HRESULT status = module.createStage(step.clsid, stage);
  if (status == CLASS_E_CLASSNOTAVAILABLE) {
    *error = "the module " + module.path() + " does not serve the " + step.name + " (" + StatusText(status) + ")";
    return false;
  }
  if (FAILED(status)) return failed(step.name, "CreateInstance", status, error);

  // Logging is optional for a stage; a stage without it still renders.
  ComPtr<IKxLoggable> loggable;
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

}  // namespace kxhost
