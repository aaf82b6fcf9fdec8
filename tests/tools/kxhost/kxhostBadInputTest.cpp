// Bad input to kxhost ends in one clear error line and a non-zero exit,
// never a crash, and leaves no output behind.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "kxhostTestSupport.h"

namespace Kelvane {
namespace {

using testing::FreshTestDirectory;
using testing::RunKxhost;

TEST(KxhostBadInput, EndsInOneErrorLineAndNonZeroExit) {
  const std::string directory = FreshTestDirectory();
  const std::string image = directory + "/seven.tif";
  ASSERT_EQ(RunKxhost({"sample", image, "--bands", "7", "--size", "64x48"}).exitCode, 0);
  const std::string text = directory + "/text.tif";
  std::ofstream(text) << "not an image\n";
  const std::string output = directory + "/out.png";

  struct Case {
    std::vector<std::string> arguments;
    const char* message;
  };
  const Case cases[] = {
      {{"render", directory + "/missing.tif", "-o", output}, "No such file or directory"},
      {{"render", text, "-o", output}, "not recognized as a supported file format"},
      {{"info", directory + "/missing.tif"}, "No such file or directory"},
      {{"render", image, "-o", output, "--bands", "3,8"}, "band 8 is out of range"},
      {{"render", image, "-o", output, "--bands", "0"}, "--bands must list"},
      {{"render", image, "-o", output, "--bands", "1", "--scene", "64,0,10,10"}, "lies outside the image"},
      {{"render", image, "-o", output, "--bands", "1", "--scene", "-10,-10,10,10"}, "lies outside the image"},
      {{"render", image, "-o", output, "--bands", "1", "--scene", "0,0,0,5"}, "--scene must be"},
      {{"render", image, "-o", output, "--mag", "0"}, "--mag must be"},
      {{"render", image, "-o", directory + "/out.bmp"}, "cannot tell the format"},
      {{"render", image, "-o", output}, "PNG driver doesn't support 7 bands"},
      {{"render", image, "-o", output, "--bands", "1", "--module", directory + "/none.so"}, "cannot load module"},
      {{"render", image, "-o", output, "--tile"}, "needs a value"},
      {{"render", image, "-o", output, "--size", "5x5"}, "does not apply to render"},
      {{"sample", directory + "/sample.png"}, "name it .tif"},
      {{"sample", directory + "/s.tif", "--size", "0x10"}, "--size must be"},
      {{"frobnicate"}, "unknown command"},
  };
  for (const Case& c : cases) {
    std::string shown;
    for (const std::string& argument : c.arguments) shown += argument + " ";
    SCOPED_TRACE(shown);
    const auto run = RunKxhost(c.arguments);
    EXPECT_NE(run.exitCode, 0);
    const std::vector<std::string> lines = run.errorLines();
    ASSERT_EQ(lines.size(), 1u) << run.err;
    EXPECT_EQ(lines[0].rfind("kxhost: error: ", 0), 0u) << lines[0];
    EXPECT_NE(lines[0].find(c.message), std::string::npos) << lines[0];
    EXPECT_FALSE(std::filesystem::exists(output));
  }
}

}  // namespace
}  // namespace Kelvane
