#include "kxhost/commandLine.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace kxhost {

namespace {

// Every option the program knows and whether it takes a value.
struct KnownOption {
  const char* name;
  bool takesValue;
};
const KnownOption kKnownOptions[] = {
    {"module", true},  {"log-level", true},  {"help", false},   {"bands", true},      {"size", true},
    {"type", true},    {"output", true},     {"scene", true},   {"mag", true},        {"tile", true},
    {"threads", true}, {"resampling", true}, {"cache", true},   {"cache-tile", true}, {"max-cuts", true},
    {"utility", true}, {"tile-ratio", true}, {"max-mag", true}, {"map-rect", true},   {"srs", true},
    {"rotate", true},  {"replace", true},    {"key", true},     {"tolerant", false},
};
const char* const kGlobalOptions[] = {"module", "log-level", "help"};

const KnownOption* findOption(const std::string& name) {
  for (const KnownOption& option : kKnownOptions) {
    if (name == option.name) return &option;
  }
  return nullptr;
}

// The long name of an argument that is an option, or "" for an operand.
std::string optionName(const std::string& argument) {
  if (argument == "-o") return "output";
  if (argument == "-h") return "help";
  if (argument.size() > 2 && argument.compare(0, 2, "--") == 0) return argument.substr(2, argument.find('=') - 2);
  return "";
}

}  // namespace

bool ParseCommandLine(int argc, const char* const* argv, CommandLine* out, std::string* error) {
  CommandLine line;
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    // Verbosity flags, then named options, then operands.
    if (argument == "--verbose") {
      ++line.verboseCount;
      continue;
    }
    if (argument.size() > 1 && argument.find_first_not_of('v', 1) == std::string::npos && argument[0] == '-') {
      line.verboseCount += static_cast<uint32_t>(argument.size() - 1);
      continue;
    }
    const std::string name = optionName(argument);
    if (name.empty()) {
      if (argument.size() > 1 && argument[0] == '-') {
        *error = "unknown option " + argument;
        return false;
      }
      if (line.command.empty()) {
        line.command = argument;
      } else {
        line.operands.push_back(argument);
      }
      continue;
    }
    const KnownOption* option = findOption(name);
    if (option == nullptr) {
      *error = "unknown option " + argument;
      return false;
    }
    const size_t equals = argument.find('=');
    std::string value;
    if (equals != std::string::npos && argument.compare(0, 2, "--") == 0) {
      value = argument.substr(equals + 1);
    } else if (option->takesValue) {
      if (i + 1 >= argc) {
        *error = "option " + argument + " needs a value";
        return false;
      }
      value = argv[++i];
    }
    if (!option->takesValue && !value.empty()) {
      *error = "option --" + name + " takes no value";
      return false;
    }
    line.options[name] = value;
  }
  *out = std::move(line);
  return true;
}

bool CheckOptions(const CommandLine& line, const std::vector<std::string>& allowed, std::string* error) {
  for (const auto& option : line.options) {
    const std::string& name = option.first;
    const bool global =
        std::find(std::begin(kGlobalOptions), std::end(kGlobalOptions), name) != std::end(kGlobalOptions);
    if (!global && std::find(allowed.begin(), allowed.end(), name) == allowed.end()) {
      *error = "option --" + name + " does not apply to " + line.command;
      return false;
    }
  }
  return true;
}

bool ParseUnsigned(const std::string& text, uint64_t low, uint64_t high, uint64_t* value) {
  if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos) return false;
  errno = 0;
  const unsigned long long parsed = std::strtoull(text.c_str(), nullptr, 10);
  if (errno != 0 || parsed < low || parsed > high) return false;
  *value = parsed;
  return true;
}

bool ParseNumber(const std::string& text, double* value) {
  if (text.empty()) return false;
  char* end = nullptr;
  errno = 0;
  const double parsed = std::strtod(text.c_str(), &end);
  if (errno != 0 || end != text.c_str() + text.size() || !std::isfinite(parsed)) return false;
  *value = parsed;
  return true;
}

bool ParseSize(const std::string& text, uint32_t* width, uint32_t* height) {
  const size_t cross = text.find('x');
  if (cross == std::string::npos) return false;
  uint64_t w = 0;
  uint64_t h = 0;
  // GDAL sizes are int; larger images would not fit one raster.
  constexpr uint64_t kLargest = 1u << 30;
  if (!ParseUnsigned(text.substr(0, cross), 1, kLargest, &w) || !ParseUnsigned(text.substr(cross + 1), 1, kLargest, &h))
    return false;
  *width = static_cast<uint32_t>(w);
  *height = static_cast<uint32_t>(h);
  return true;
}

bool ParseNumberList(const std::string& text, std::vector<double>* values) {
  std::vector<double> parsed;
  size_t start = 0;
  while (true) {
    const size_t comma = text.find(',', start);
    double value = 0.0;
    if (!ParseNumber(text.substr(start, comma - start), &value)) return false;
    parsed.push_back(value);
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  *values = std::move(parsed);
  return true;
}

}  // namespace kxhost
