#include "kxhost/commandLine.h"

#include <algorithm>

#include "hostChain/renderOptionTable.h"

namespace kxhost {

namespace {

// The options of every command but render, whose own come from its table
// (--bands and --output serve both), and whether each takes a value.
struct KnownOption {
  const char* name;
  bool takesValue;
};
const KnownOption kKnownOptions[] = {
    {"module", true},     {"log-level", true}, {"help", false},  {"bands", true},     {"size", true},
    {"type", true},       {"output", true},    {"key", true},    {"tolerant", false}, {"max-size", true},
    {"older-than", true}, {"dry-run", false},  {"levels", true}, {"part", true},      {"bind", true},
    {"port", true},       {"queue", true},
};
const char* const kGlobalOptions[] = {"module", "log-level", "help"};

// Whether `name` is an option of some command, and whether it takes a value.
bool findOption(const std::string& name, bool* takesValue) {
  for (const KnownOption& option : kKnownOptions) {
    if (name == option.name) {
      *takesValue = option.takesValue;
      return true;
    }
  }
  const RenderOptionRow* row = FindRenderOption(name);
  if (row != nullptr) *takesValue = row->placeholder != nullptr;
  return row != nullptr;
}

// The short options and the long names they stand for.
struct ShortOption {
  const char* spelling;
  const char* name;
};
const ShortOption kShortOptions[] = {{"-o", "output"}, {"-h", "help"}};

// The long name of an argument that is an option, or "" for an operand.
std::string optionName(const std::string& argument) {
  for (const ShortOption& option : kShortOptions) {
    if (argument == option.spelling) return option.name;
  }
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
    bool takesValue = false;
    if (!findOption(name, &takesValue)) {
      *error = "unknown option " + argument;
      return false;
    }
    const size_t equals = argument.find('=');
    std::string value;
    if (equals != std::string::npos && argument.compare(0, 2, "--") == 0) {
      value = argument.substr(equals + 1);
    } else if (takesValue) {
      if (i + 1 >= argc) {
        *error = "option " + argument + " needs a value";
        return false;
      }
      value = argv[++i];
    }
    if (!takesValue && !value.empty()) {
      *error = "option --" + name + " takes no value";
      return false;
    }
    line.options[name] = value;
  }
  *out = std::move(line);
  return true;
}

std::string ShortOptionOf(const std::string& name) {
  for (const ShortOption& option : kShortOptions) {
    if (name == option.name) return option.spelling;
  }
  return "";
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

}  // namespace kxhost
