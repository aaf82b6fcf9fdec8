// The kxhost commands. Each returns the process exit status: 0 on success,
// 1 after a failure it has reported on one line of stderr.
#ifndef KXHOST_COMMANDS_H
#define KXHOST_COMMANDS_H

#include <string>

#include "kxhost/commandLine.h"
#include "kxhost/stderrLogger.h"

namespace Kelvane {

// What every command gets: its command line and the host's logger.
struct KxHostContext {
  const KxCommandLine& line;
  KxStderrLogger* logger;
};

int KxSampleCommand(const KxHostContext& context);
int KxInfoCommand(const KxHostContext& context);
int KxRenderCommand(const KxHostContext& context);
int KxCacheStatsCommand(const KxHostContext& context);

// Reports `message` as the one error line and returns exit status 1.
int KxReportFailure(const std::string& message);

// The module to load: --module, else the one built beside the program.
std::string KxModulePathOption(const KxCommandLine& line);

// Checks that the command got `count` operands; false with a reason otherwise.
bool KxExpectOperands(const KxCommandLine& line, size_t count, const char* usage, std::string* error);

}  // namespace Kelvane

#endif  // KXHOST_COMMANDS_H
