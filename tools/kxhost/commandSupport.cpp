#include <cstdio>

#include "kxhost/commands.h"

namespace kxhost {

int ReportFailure(const std::string& message) {
  std::lock_guard<std::mutex> hold(StderrLogger::outputLock());
  std::fprintf(stderr, "kxhost: error: %s\n", message.c_str());
  return 1;
}

bool ExpectOperands(const CommandLine& line, size_t count, const char* usage, std::string* error) {
  if (line.operands.size() == count) return true;
  *error = std::string("usage: kxhost ") + usage;
  return false;
}

}  // namespace kxhost
