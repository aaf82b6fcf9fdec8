// The command line of `kxhost serve` into its settings: the render options
// that shape a whole image's chain, where to listen and how many requests
// to take at once.
#ifndef KXHOST_SERVE_OPTIONS_H
#define KXHOST_SERVE_OPTIONS_H

#include <cstdint>
#include <string>

#include "hostChain/renderSettings.h"
#include "kxhost/commandLine.h"

namespace kxhost {

struct ServeSettings {
  RenderSettings render;  // the chain every view narrows
  // Only this machine reaches the server unless asked otherwise.
  std::string bind = "127.0.0.1";
  uint32_t port = 8080;  // 0: any free port
  // Tiles decoded at once; one per core keeps every core busy.
  uint32_t threads = 1;
  // Requests waiting for a decode beyond those; more get 503.
  uint32_t queue = 4;
};

extern const char kServeSynopsis[];

// Checks the command line of a serve and parses each option it gives; false
// with a one-line reason.
bool ParseServeOptions(const CommandLine& line, ServeSettings* settings, std::string* error);

}  // namespace kxhost

#endif  // KXHOST_SERVE_OPTIONS_H
