// The options of `kxhost render`, one row each. The command-line parser, the
// usage texts and the order in which stages stack above the source all come
// from this table, and a row parses its value the same way whether it comes
// from the command line or from a key=value list such as a connection string.
#ifndef KX_HOST_CHAIN_RENDER_OPTION_TABLE_H
#define KX_HOST_CHAIN_RENDER_OPTION_TABLE_H

#include <string>
#include <vector>

#include "hostChain/renderSettings.h"
#include "hostChain/stageChain.h"

namespace kxhost {

class GdalSource;

// Parses an option's value into the settings; false with a one-line reason.
using ParseSettingFn = bool (*)(const std::string& value, RenderSettings* settings, std::string* error);

// Adds the step of the option's stage when the settings ask for it, after
// checking them against the open source; false with a one-line reason.
using AddStageFn = bool (*)(const RenderSettings& settings, GdalSource& source, std::vector<StageStep>* steps,
                            std::string* error);

struct RenderOptionRow {
  const char* name;         // the long option without its dashes
  const char* placeholder;  // the value in the usage texts; null for an option without one
  const char* help;         // one line for the usage text
  bool required;            // a render without it is a usage error
  ParseSettingFn parse;
  AddStageFn addStage;  // null for an option that puts no stage on the chain
};

// Every row, in the order the usage shows them; the rows with a stage come
// in the order their stages stack above the source.
const std::vector<RenderOptionRow>& RenderOptionRows();

// The rows that put a stage on the chain, lowest first.
std::vector<const RenderOptionRow*> StageRows();

// The row of the option called `name` (as on the command line), or null.
const RenderOptionRow* FindRenderOption(const std::string& name);

// The names of all rows, for the render command's option check.
std::vector<std::string> RenderOptionNames();

// Parses one option given by name and value text into `settings`. A name may
// spell its dashes as underscores (cache_tile), as keys of a URL query do.
// False with a one-line reason for an unknown name or a bad value.
bool ParseRenderSetting(const std::string& name, const std::string& value, RenderSettings* settings,
                        std::string* error);

}  // namespace kxhost

#endif  // KX_HOST_CHAIN_RENDER_OPTION_TABLE_H
