// kxhost: the reference host. Loads the module as a rendering engine does and
// renders GDAL-readable images through chains of its stages.
#include <cstdio>
#include <exception>
#include <string>

#include "hostChain/comPtr.h"
#include "hostChain/gdalSession.h"
#include "hostChain/optionValues.h"
#include "kxhost/commands.h"
#include "kxhost/renderUsage.h"

namespace {

// The usage, around the render part that its option table makes.
const char kUsageBeforeRender[] =
    "usage: kxhost [--module PATH] [-v | --log-level N] COMMAND ...\n"
    "  sample OUT.tif [--bands N] [--size WxH] [--type u8|u16]\n"
    "  info IMAGE\n";
const char kUsageAfterRender[] =
    "  overlay BASE OVER -o OUT --key R,G,B [--tolerant]\n"
    "  seed IMAGE --cache DIR [--levels A-B] [--part I/N] [OPTION ...]\n"
    "                                fill the cache render --cache reads; OPTION as render's, no scene or output\n"
    "  serve IMAGE [--cache DIR] [--bind ADDR] [--port N] [--threads N] [--queue N] [OPTION ...]\n"
    "                                tiles, /info.json and a viewer over HTTP (default 127.0.0.1:8080)\n"
    "  cache-stats DIR               tiles and bytes of the caches below DIR, per level\n"
    "  cache-prune DIR [--max-size SIZE] [--older-than AGE] [--dry-run]\n"
    "                                remove least recently used tiles (SIZE 500M, 2G; AGE 30d, 12h)\n"
    "  register [--module PATH]      write the module's classes into the registry\n"
    "  unregister [--module PATH]    remove them\n"
    "  classes                       what the registry holds for the module's classes\n"
    "Without --module the module is the one the registry names, else the one\n"
    "beside kxhost or installed with it (-v tells which).\n";

// The log level from --log-level, else from the number of -v (-v detail, -vv traces).
bool logLevelOf(const kxhost::CommandLine& line, uint32_t* level, std::string* error) {
  using kxhost::StderrLogger;
  *level = line.verboseCount == 0   ? StderrLogger::kDefaultLevel
           : line.verboseCount == 1 ? StderrLogger::kVerboseLevel
                                    : StderrLogger::kTraceLevel;
  uint64_t given = 0;
  if (!line.has("log-level")) return true;
  if (!kxhost::ParseUnsigned(line.value("log-level", ""), 0, 1000, &given)) {
    *error = "--log-level must be a number from 0 to 1000";
    return false;
  }
  *level = static_cast<uint32_t>(given);
  return true;
}

int run(int argc, char** argv) {
  using namespace kxhost;
  CommandLine line;
  std::string error;
  uint32_t level = 0;
  if (!ParseCommandLine(argc, argv, &line, &error) || !logLevelOf(line, &level, &error)) {
    ReportFailure(error);
    return 2;
  }
  if (line.has("help") || line.command.empty()) {
    const std::string usage = kUsageBeforeRender + RenderHelp() + kUsageAfterRender;
    std::fputs(usage.c_str(), line.command.empty() && !line.has("help") ? stderr : stdout);
    return line.has("help") ? 0 : 2;
  }

  // The logger, with GDAL's own messages routed to it for the whole run.
  ComPtr<StderrLogger> logger(StderrLogger::create(level));
  if (!logger) return ReportFailure("out of memory");
  GdalSession session(logger.get());
  const HostContext context{line, logger.get()};
  if (line.command == "sample") return SampleCommand(context);
  if (line.command == "info") return InfoCommand(context);
  if (line.command == "render") return RenderCommand(context);
  if (line.command == "seed") return SeedCommand(context);
  if (line.command == "serve") return ServeCommand(context);
  if (line.command == "cache-stats") return CacheStatsCommand(context);
  if (line.command == "cache-prune") return CachePruneCommand(context);
  if (line.command == "overlay") return OverlayCommand(context);
  if (line.command == "register") return RegisterCommand(context);
  if (line.command == "unregister") return UnregisterCommand(context);
  if (line.command == "classes") return ClassesCommand(context);
  ReportFailure(
      "unknown command " + line.command +
      " (sample, info, render, seed, serve, overlay, cache-stats, cache-prune, register, unregister or classes)");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return run(argc, argv);
  } catch (const std::exception& failure) {
    return kxhost::ReportFailure(std::string("unexpected failure: ") + failure.what());
  } catch (...) {
    return kxhost::ReportFailure("unexpected failure");
  }
}
