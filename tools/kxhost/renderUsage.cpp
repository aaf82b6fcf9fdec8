#include "kxhost/renderUsage.h"

#include <algorithm>
#include <vector>

#include "hostChain/renderOptionTable.h"
#include "kxhost/commandLine.h"

namespace kxhost {

namespace {

// The row's option as `spelling`, followed by its value if it takes one.
std::string withValue(const std::string& spelling, const RenderOptionRow& row) {
  return row.placeholder == nullptr ? spelling : spelling + " " + row.placeholder;
}

// "render IMAGE" and the options a render needs, in their shortest form.
std::string requiredPart() {
  std::string part = "render IMAGE";
  for (const RenderOptionRow& row : RenderOptionRows()) {
    const std::string shortForm = ShortOptionOf(row.name);
    if (row.required) part += " " + withValue(shortForm.empty() ? "--" + std::string(row.name) : shortForm, row);
  }
  return part;
}

// "--name VALUE", with the short form first where there is one.
std::string helpSpelling(const RenderOptionRow& row) {
  const std::string shortForm = ShortOptionOf(row.name);
  return withValue((shortForm.empty() ? "--" : shortForm + ", --") + row.name, row);
}

}  // namespace

std::string RenderSynopsis() {
  std::string synopsis = requiredPart();
  for (const RenderOptionRow& row : RenderOptionRows()) {
    if (!row.required) synopsis += " [" + withValue("--" + std::string(row.name), row) + "]";
  }
  return synopsis;
}

std::string RenderHelp() {
  // The options in a column as wide as the widest, then each one's help.
  std::vector<std::string> spellings;
  size_t width = 0;
  for (const RenderOptionRow& row : RenderOptionRows()) {
    spellings.push_back(helpSpelling(row));
    width = std::max(width, spellings.back().size());
  }
  std::string help = "  " + requiredPart() + " [OPTION ...], where OPTION is\n";
  for (size_t i = 0; i < spellings.size(); ++i) {
    const std::string padding(width + 2 - spellings[i].size(), ' ');
    help += "      " + spellings[i] + padding + RenderOptionRows()[i].help + "\n";
  }
  // The stacking order, as the chain is built.
  help += "    Stages stack above the image in this order:";
  const char* separator = " ";
  for (const RenderOptionRow* row : StageRows()) {
    help += separator + std::string("--") + row->name;
    separator = ", ";
  }
  return help + ".\n";
}

}  // namespace kxhost
