#include "kxhost/cachePruneLimits.h"

#include <cstring>
#include <limits>

#include "hostChain/optionValues.h"

namespace kxhost {

namespace {

constexpr int64_t kNanosecondsPerSecond = 1000000000;

// The number before a unit letter from `units`, and the unit's multiple
// from `multiples`; a number without a unit takes `bare` (0: refused).
bool parseWithUnit(const std::string& text, const char* units, const uint64_t* multiples, uint64_t bare,
                   uint64_t largest, uint64_t* value) {
  if (text.empty()) return false;
  const char* unit = text.back() == '\0' ? nullptr : std::strchr(units, text.back());
  const bool hasUnit = unit != nullptr;
  const uint64_t multiple = hasUnit ? multiples[unit - units] : bare;
  uint64_t count = 0;
  if (multiple == 0 || !ParseUnsigned(hasUnit ? text.substr(0, text.size() - 1) : text, 0, largest / multiple, &count))
    return false;
  *value = count * multiple;
  return true;
}

}  // namespace

bool ParseByteSize(const std::string& text, uint64_t* bytes) {
  static const uint64_t kMultiples[] = {1ull << 10, 1ull << 20, 1ull << 30, 1ull << 40};
  return parseWithUnit(text, "KMGT", kMultiples, 1, std::numeric_limits<uint64_t>::max(), bytes);
}

bool ParseAge(const std::string& text, int64_t* nanoseconds) {
  static const uint64_t kSeconds[] = {1, 60, 3600, 86400};
  // A bare number is refused: seconds or days, a slip either way prunes far too much or nothing.
  // Ages are kept in nanoseconds, so they end at about 292 years.
  uint64_t seconds = 0;
  if (!parseWithUnit(text, "smhd", kSeconds, 0, std::numeric_limits<int64_t>::max() / kNanosecondsPerSecond, &seconds))
    return false;
  *nanoseconds = static_cast<int64_t>(seconds) * kNanosecondsPerSecond;
  return true;
}

bool ParsePruneLimits(const CommandLine& line, PruneLimits* limits, std::string* error) {
  PruneLimits parsed;
  parsed.dryRun = line.has("dry-run");
  if (!line.has("max-size") && !line.has("older-than"))
    return Refuse(error, "cache-prune needs --max-size SIZE or --older-than AGE (or both)");
  uint64_t bytes = 0;
  if (line.has("max-size")) {
    if (!ParseByteSize(line.value("max-size", ""), &bytes))
      return Refuse(error, "--max-size must be bytes or a number with K, M, G or T, as 500M");
    parsed.maxBytes = bytes;
  }
  int64_t age = 0;
  if (line.has("older-than")) {
    if (!ParseAge(line.value("older-than", ""), &age))
      return Refuse(error, "--older-than must be a number with s, m, h or d, as 30d");
    parsed.maxAgeNanoseconds = age;
  }
  *limits = parsed;
  return true;
}

}  // namespace kxhost
