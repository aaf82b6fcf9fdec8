// The --replace option of `kxhost render`: the module's pixel replacer on
// the chain, turning every decoded pixel of one value into another (for
// example the nodata black into white).
#ifndef KXHOST_REPLACE_OPTION_H
#define KXHOST_REPLACE_OPTION_H

#include <optional>
#include <string>
#include <vector>

#include "kxhost/commandLine.h"
#include "kxhost/kelvaneApi.h"
#include "kxhost/stageChain.h"

namespace kxhost {

// --replace FROM=TO: one sample per band of the rendered image on each side.
struct PixelReplacement {
  std::vector<double> from;
  std::vector<double> to;
};

// The replacement of --replace, empty without the option; false with a
// one-line reason for a malformed value, or beside --map-rect, whose map
// decode does not pass through the replacer.
bool ParseReplaceOption(const CommandLine& line, std::optional<PixelReplacement>* replacement, std::string* error);

// Checks the replacement against what the chain will render: `bands` bands
// of what `props` describe. False with a one-line reason otherwise.
bool CheckReplacement(const PixelReplacement& replacement, const RasterProps& props, size_t bands, std::string* error);

// The pixel replacer stage, storing the replacement as pixels of the sample
// type its upstream renders.
StageStep PixelReplacerStep(const PixelReplacement& replacement);

}  // namespace kxhost

#endif  // KXHOST_REPLACE_OPTION_H
