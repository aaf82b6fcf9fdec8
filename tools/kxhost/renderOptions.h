// The command line of `kxhost render` into its settings, through the render
// option table.
#ifndef KXHOST_RENDER_OPTIONS_H
#define KXHOST_RENDER_OPTIONS_H

#include <string>
#include <vector>

#include "hostChain/renderSettings.h"
#include "kxhost/commandLine.h"

namespace kxhost {

// Checks the command line of a render and parses each option it gives; false
// with a one-line reason. Band numbers are checked against the image later,
// when it is open.
bool ParseRenderOptions(const CommandLine& line, RenderSettings* settings, std::string* error);

// The render options that pick a scene, a magnification or an output file,
// which the commands that work on whole levels (seed, serve) refuse.
const std::vector<std::string>& SceneOptionNames();

// The render option names but those, and `more`: the options of a command
// over whole levels.
std::vector<std::string> WholeImageOptionNames(const std::vector<std::string>& more);

}  // namespace kxhost

#endif  // KXHOST_RENDER_OPTIONS_H
