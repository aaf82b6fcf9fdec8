// The command line of `kxhost seed` into its settings: the render options
// that shape the cache's chain, the levels to fill and the share to take.
#ifndef KXHOST_SEED_OPTIONS_H
#define KXHOST_SEED_OPTIONS_H

#include <cstdint>
#include <string>

#include "hostChain/renderSettings.h"
#include "kxhost/commandLine.h"

namespace kxhost {

struct SeedSettings {
  RenderSettings render;    // the chain, as `render --cache` builds it
  uint32_t firstLevel = 0;  // magnification 2^-firstLevel; only full size unless asked
  uint32_t lastLevel = 0;
  uint32_t part = 1;  // this process fills part `part` of `parts`; all of it unless asked
  uint32_t parts = 1;
};

// The synopsis shown in the usage error.
extern const char kSeedSynopsis[];

// Checks the command line of a seed and parses each option it gives; false
// with a one-line reason.
bool ParseSeedOptions(const CommandLine& line, SeedSettings* settings, std::string* error);

}  // namespace kxhost

#endif  // KXHOST_SEED_OPTIONS_H
