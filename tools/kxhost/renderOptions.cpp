#include "kxhost/renderOptions.h"

#include <algorithm>

#include "hostChain/optionValues.h"
#include "hostChain/renderOptionTable.h"
#include "kxhost/commands.h"
#include "kxhost/renderUsage.h"

namespace kxhost {

const std::vector<std::string>& SceneOptionNames() {
  static const std::vector<std::string> names = {"output", "scene", "mag", "tile", "map-rect", "srs"};
  return names;
}

std::vector<std::string> WholeImageOptionNames(const std::vector<std::string>& more) {
  std::vector<std::string> names = more;
  const std::vector<std::string>& scene = SceneOptionNames();
  for (const std::string& name : RenderOptionNames()) {
    if (std::find(scene.begin(), scene.end(), name) == scene.end()) names.push_back(name);
  }
  return names;
}

bool ParseRenderOptions(const CommandLine& line, RenderSettings* settings, std::string* error) {
  // Only the table's options, and one image.
  const std::string synopsis = RenderSynopsis();
  if (!CheckOptions(line, RenderOptionNames(), error) || !ExpectOperands(line, 1, synopsis.c_str(), error))
    return false;
  RenderSettings parsed;
  parsed.image = line.operands[0];
  // Each option given, in the table's order; a required one missing or empty is a usage error.
  for (const RenderOptionRow& row : RenderOptionRows()) {
    const std::string value = line.value(row.name, "");
    if (row.required && value.empty()) return Refuse(error, "usage: kxhost " + synopsis);
    if (line.has(row.name) && !row.parse(value, &parsed, error)) return false;
  }
  if (!CheckRenderSettings(parsed, error)) return false;
  *settings = std::move(parsed);
  return true;
}

}  // namespace kxhost
