// kxhost render: the settings from the command line, the chain they ask for
// over the image, the scene decoded through it, and the output file.
#include <string>

#include "hostChain/renderChain.h"
#include "kxhost/commands.h"
#include "kxhost/hostModule.h"
#include "kxhost/renderOptions.h"
#include "kxhost/renderOutput.h"
#include "kxhost/sceneDecode.h"

namespace kxhost {

int RenderCommand(const HostContext& context) {
  // Parse, check the output, build the chain, decode, write: the first
  // failure is the one error line.
  std::string error;
  RenderSettings settings;
  RenderChain chain;
  DecodedScene decoded;
  const bool written = ParseRenderOptions(context.line, &settings, &error) && CheckRenderOutput(settings, &error) &&
                       BuildRenderChain(settings, KxhostModuleSearch(context.line), context.logger,
                                        StderrLogger::kVerboseLevel, &chain, &error) &&
                       DecodeRenderScene(settings, chain.head(), &decoded, &error) &&
                       WriteRenderOutput(settings, chain, decoded, &error);
  return written ? 0 : ReportFailure(error);
}

}  // namespace kxhost
