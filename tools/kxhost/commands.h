// The kxhost commands. Each returns the process exit status: 0 on success,
// 1 after a failure it has reported on one line of stderr.
#ifndef KXHOST_COMMANDS_H
#define KXHOST_COMMANDS_H

#include <string>

#include "kxhost/commandLine.h"
#include "kxhost/stderrLogger.h"

namespace kxhost {

// What every command gets: its command line and the host's logger.
struct HostContext {
  const CommandLine& line;
  StderrLogger* logger;
};

int SampleCommand(const HostContext& context);
int InfoCommand(const HostContext& context);
int RenderCommand(const HostContext& context);
int SeedCommand(const HostContext& context);
int ServeCommand(const HostContext& context);
int CacheStatsCommand(const HostContext& context);
int CachePruneCommand(const HostContext& context);
int OverlayCommand(const HostContext& context);
int RegisterCommand(const HostContext& context);
int UnregisterCommand(const HostContext& context);
int ClassesCommand(const HostContext& context);

// Reports `message` as the one error line and returns exit status 1.
int ReportFailure(const std::string& message);

// Checks that the command got `count` operands; false with a reason otherwise.
bool ExpectOperands(const CommandLine& line, size_t count, const char* usage, std::string* error);

}  // namespace kxhost

#endif  // KXHOST_COMMANDS_H
