// The kxhost command line: a command, its operands and its options.
#ifndef KXHOST_COMMAND_LINE_H
#define KXHOST_COMMAND_LINE_H

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace kxhost {

// Options may come anywhere after the program name, as "--name value",
// "--name=value" or (for flags) "--name". -o is short for --output.
struct CommandLine {
  std::string command;
  std::vector<std::string> operands;
  std::map<std::string, std::string> options;  // by long name, without the dashes
  uint32_t verboseCount = 0;                   // number of -v

  bool has(const std::string& name) const { return options.count(name) != 0; }
  std::string value(const std::string& name, const std::string& fallback) const {
    const auto found = options.find(name);
    return found == options.end() ? fallback : found->second;
  }
};

bool ParseCommandLine(int argc, const char* const* argv, CommandLine* out, std::string* error);

// The short form of the option `name` ("-o" for output), or "" when it has none.
std::string ShortOptionOf(const std::string& name);

// Refuses options that the command does not take (the global ones --module,
// --log-level and --help always apply).
bool CheckOptions(const CommandLine& line, const std::vector<std::string>& allowed, std::string* error);

}  // namespace kxhost

#endif  // KXHOST_COMMAND_LINE_H
