// StageChain: a source with module stages stacked on top of it.
#ifndef KX_HOST_CHAIN_STAGE_CHAIN_H
#define KX_HOST_CHAIN_STAGE_CHAIN_H

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "hostChain/comPtr.h"
#include "hostChain/kelvaneApi.h"
#include "hostChain/moduleLibrary.h"

namespace kxhost {

// One stage to put on top of a chain: which class, and how to configure it
// once it sits on its upstream and is initialised. Each rendering option that
// adds a stage contributes one step.
struct StageStep {
  std::string name;  // for messages
  CLSID clsid;
  // Configures the new stage; a failure status, with `what` naming the call.
  std::function<HRESULT(IKxContentImp* stage, std::string* what)> configure;
};

// The multiband selector showing upstream bands `bandMap` (from 0), in order.
StageStep MultibandSelectorStep(const std::vector<uint16_t>& bandMap);

// Holds a reference to every link, the source first. Decodes go to head().
class StageChain {
 public:
  explicit StageChain(ComPtr<IKxContentImp> source);

  // Creates the step's stage through the module's class factory, hands it the
  // logger, sets the current head as its upstream, initialises and configures
  // it, and makes it the new head. False with a one-line reason otherwise.
  bool push(const ModuleLibrary& module, const StageStep& step, IKxLogger* logger, std::string* error);

  IKxContentImp* head() const { return links_.back().get(); }

 private:
  std::vector<ComPtr<IKxContentImp>> links_;  // never empty
};

}  // namespace kxhost

#endif  // KX_HOST_CHAIN_STAGE_CHAIN_H
