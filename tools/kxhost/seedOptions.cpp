#include "kxhost/seedOptions.h"

#include <algorithm>
#include <vector>

#include "hostChain/optionValues.h"
#include "hostChain/renderOptionTable.h"
#include "hostChain/tilePlan.h"
#include "kxhost/commands.h"
#include "kxhost/renderOptions.h"

namespace kxhost {

const char kSeedSynopsis[] =
    "seed IMAGE --cache DIR [--levels A-B] [--part I/N] [--threads N] [render options that shape the chain]";

namespace {

// More parts than any scheduler runs at once is surely a mistake; the
// limit also bounds the load table dealing the tiles.
constexpr uint64_t kMaxParts = 1000000;

// "A-B" or "K": levels from A to B, each at most kMaxTileLevel.
bool parseLevels(const std::string& text, SeedSettings* settings, std::string* error) {
  const size_t dash = text.find('-');
  const std::string low = text.substr(0, dash);
  const std::string high = dash == std::string::npos ? low : text.substr(dash + 1);
  uint64_t first = 0;
  uint64_t last = 0;
  const bool parsed = ParseUnsigned(low, 0, kMaxTileLevel, &first) && ParseUnsigned(high, 0, kMaxTileLevel, &last);
  if (!parsed || first > last)
    return Refuse(error, "--levels must be A-B with A <= B, or one level K, from 0 to " +
                             std::to_string(kMaxTileLevel) + " (level k is magnification 2^-k)");
  settings->firstLevel = static_cast<uint32_t>(first);
  settings->lastLevel = static_cast<uint32_t>(last);
  return true;
}

// "I/N" with 1 <= I <= N.
bool parsePart(const std::string& text, SeedSettings* settings, std::string* error) {
  const size_t slash = text.find('/');
  uint64_t part = 0;
  uint64_t parts = 0;
  if (slash == std::string::npos || !ParseUnsigned(text.substr(slash + 1), 1, kMaxParts, &parts) ||
      !ParseUnsigned(text.substr(0, slash), 1, parts, &part))
    return Refuse(error, "--part must be I/N with 1 <= I <= N <= " + std::to_string(kMaxParts) + ", for example 2/3");
  settings->part = static_cast<uint32_t>(part);
  settings->parts = static_cast<uint32_t>(parts);
  return true;
}

}  // namespace

bool ParseSeedOptions(const CommandLine& line, SeedSettings* settings, std::string* error) {
  if (!CheckOptions(line, WholeImageOptionNames({"levels", "part"}), error) ||
      !ExpectOperands(line, 1, kSeedSynopsis, error))
    return false;
  SeedSettings parsed;
  parsed.render.image = line.operands[0];
  for (const RenderOptionRow& row : RenderOptionRows()) {
    if (line.has(row.name) && !row.parse(line.value(row.name, ""), &parsed.render, error)) return false;
  }
  if (parsed.render.cache.directory.empty()) return Refuse(error, "seed needs --cache DIR: the cache to fill");
  if (line.has("levels") && !parseLevels(line.value("levels", ""), &parsed, error)) return false;
  if (line.has("part") && !parsePart(line.value("part", ""), &parsed, error)) return false;
  if (!CheckRenderSettings(parsed.render, error)) return false;
  *settings = std::move(parsed);
  return true;
}

}  // namespace kxhost
