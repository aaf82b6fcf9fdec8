#include <cstdio>

#include "kxhost/commands.h"
#include "kxhost/moduleLibrary.h"

namespace Kelvane {

int KxReportFailure(const std::string& message) {
  std::lock_guard<std::mutex> hold(KxStderrLogger::outputLock());
  std::fprintf(stderr, "kxhost: error: %s\n", message.c_str());
  return 1;
}

std::string KxModulePathOption(const KxCommandLine& line) {
  return line.has("module") ? line.value("module", "") : KxModuleLibrary::defaultPath();
}

bool KxExpectOperands(const KxCommandLine& line, size_t count, const char* usage, std::string* error) {
  if (line.operands.size() == count) return true;
  *error = std::string("usage: kxhost ") + usage;
  return false;
}

}  // namespace Kelvane
