// Shared by the host's tests: scratch directories, running the built kxhost,
// and reading images back through GDAL as the reference.
#ifndef KXHOST_TESTS_KXHOST_TEST_SUPPORT_H
#define KXHOST_TESTS_KXHOST_TEST_SUPPORT_H

#include <gdal.h>

#include <string>
#include <vector>

namespace Kelvane {
namespace testing {

// A fresh directory under the build's test-tmp, named after the running test.
std::string FreshTestDirectory();

struct KxhostRun {
  int exitCode = -1;
  std::string out;
  std::string err;
  // Lines of stderr that are not progress-bar redraws.
  std::vector<std::string> errorLines() const;
};

// Runs the built kxhost with `arguments` (each passed as one word).
KxhostRun RunKxhost(const std::vector<std::string>& arguments);

// Whether the built module serves the multiband selector yet.
bool ModuleServesMultibandSelector();

// Samples of `bands` (from 1) over a window of `path`, read by GDAL into
// `width` x `height` pixels of doubles, pixel-interleaved; `overview` -1 reads
// the full-resolution bands.
std::vector<double> ReadWithGdal(const std::string& path, const std::vector<int>& bands, int x, int y, int windowWidth,
                                 int windowHeight, int width, int height, int overview = -1);

// All of an image's bands at full size.
std::vector<double> ReadWholeImage(const std::string& path, int* width, int* height, int* bands);

}  // namespace testing
}  // namespace Kelvane

#endif  // KXHOST_TESTS_KXHOST_TEST_SUPPORT_H
