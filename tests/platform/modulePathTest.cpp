// The module's own path, as self-registration records it: always absolute,
// so that a registration works from any directory.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "platform/kxModulePath.h"

namespace Kelvane {
namespace {

TEST(ModulePath, RelativeNamesBecomeAbsoluteAndPathsThatDoNotFitAreNone) {
  const std::string here = std::filesystem::current_path().string();
  const std::pair<const char*, std::string> names[] = {{"/opt/kelvane/lib.so", "/opt/kelvane/lib.so"},
                                                       {"lib.so", here + "/lib.so"},
                                                       {"./lib.so", here + "/lib.so"},
                                                       {".//x/./lib.so", here + "/x/./lib.so"},
                                                       {"../lib.so", here + "/../lib.so"},
                                                       {"", ""}};
  for (const auto& [given, absolute] : names) {
    char buffer[512];
    EXPECT_EQ(KxAbsoluteFileName(given, buffer, sizeof buffer), absolute.size()) << given;
    EXPECT_EQ(std::string(buffer), absolute) << given;
  }
  char small[8] = "junk";
  EXPECT_EQ(KxAbsoluteFileName("/opt/kelvane/lib.so", small, sizeof small), 0u);
  EXPECT_STREQ(small, "");
}

}  // namespace
}  // namespace Kelvane
