// Shared by the host's tests: scratch directories, running the built kxhost,
// and reading images back through GDAL as the reference.
#ifndef KXHOST_TESTS_KXHOST_TEST_SUPPORT_H
#define KXHOST_TESTS_KXHOST_TEST_SUPPORT_H

#include <gdal.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kxhost::testing {

// The whole content of a file; empty when it cannot be read.
std::string ReadFileBytes(const std::string& path);

// A new empty directory under the build's test-tmp.
std::string FreshTestDirectory();

struct KxhostRun {
  int exitCode = -1;
  std::string out;
  std::string err;
  // Lines of stderr that are not progress-bar redraws.
  std::vector<std::string> errorLines() const;
};

// Runs the built kxhost with `arguments` (each passed as one word), after
// the shell commands `setup` (limits, signal dispositions) when given.
KxhostRun RunKxhost(const std::vector<std::string>& arguments, const std::string& setup = "");

// Expects kxhost to fail on `arguments` with a single error line that says `message`.
void ExpectOneErrorLine(const std::vector<std::string>& arguments, const std::string& message);

// Samples of `bands` (from 1; all of them when empty) over a window of `path`,
// read by GDAL into `width` x `height` pixels of doubles, pixel-interleaved.
std::vector<double> ReadWithGdal(const std::string& path, std::vector<int> bands, int x, int y, int windowWidth,
                                 int windowHeight, int width, int height);

// All of an image's bands at full size, pixel-interleaved.
struct GdalPixels {
  int width = 0;
  int height = 0;
  int bands = 0;
  GDALDataType type = GDT_Unknown;  // of the first band
  std::string wkt;                  // the spatial reference
  std::vector<double> transform;    // the six geotransform coefficients, if any
  std::vector<double> samples;
};
GdalPixels ReadWholeImage(const std::string& path);

// Fails naming the first few samples that differ.
void ExpectSameSamples(const std::vector<double>& got, const std::vector<double>& want);

// GDAL's drivers registered and a fresh directory for each test.
class KxhostTest : public ::testing::Test {
 protected:
  void SetUp() override;
  std::string path(const std::string& name) const { return directory_ + "/" + name; }
  // Writes a sample image with `kxhost sample`; `type` is u8 or u16, `size` WxH.
  std::string sample(const std::string& name, int bands, const std::string& type, const std::string& size);

  std::string directory_;
};

}  // namespace kxhost::testing

#endif  // KXHOST_TESTS_KXHOST_TEST_SUPPORT_H
