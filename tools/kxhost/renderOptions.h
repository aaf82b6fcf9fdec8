// The command line of `kxhost render` into its settings, through the render
// option table.
#ifndef KXHOST_RENDER_OPTIONS_H
#define KXHOST_RENDER_OPTIONS_H

#include <string>

#include "hostChain/renderSettings.h"
#include "kxhost/commandLine.h"

namespace kxhost {

// Checks the command line of a render and parses each option it gives; false
// with a one-line reason. Band numbers are checked against the image later,
// when it is open.
bool ParseRenderOptions(const CommandLine& line, RenderSettings* settings, std::string* error);

}  // namespace kxhost

#endif  // KXHOST_RENDER_OPTIONS_H
