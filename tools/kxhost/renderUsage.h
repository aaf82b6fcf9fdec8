// The usage texts of `kxhost render`, made from its option table so that
// every option the parser takes is shown, with the order its stages stack in.
#ifndef KXHOST_RENDER_USAGE_H
#define KXHOST_RENDER_USAGE_H

#include <string>

namespace kxhost {

// One line for the usage error: "render IMAGE -o OUT [--bands LIST] ...".
std::string RenderSynopsis();

// The render part of `kxhost --help`: the synopsis, a line per option and the
// stacking order, each line indented by two spaces and ended by a newline.
std::string RenderHelp();

}  // namespace kxhost

#endif  // KXHOST_RENDER_USAGE_H
