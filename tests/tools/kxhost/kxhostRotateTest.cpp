// kxhost renders turned images through the module's transposer: the output
// equals GDAL's reading of the same bands turned here, alone and with the
// band selector and the persistent pixel cache below the transposer.
#include <gdal.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "kxhost/sampleImage.h"
#include "kxhostTestSupport.h"

namespace Kelvane {
namespace {

using testing::FreshTestDirectory;
using testing::ReadWholeImage;
using testing::ReadWithGdal;
using testing::RunKxhost;

// Pixel-interleaved samples of a width x height image turned clockwise by `angle`.
std::vector<double> TurnedByHand(const std::vector<double>& samples, int width, int height, int bands, int angle) {
  std::vector<double> turned(samples.size());
  const bool swapped = angle != 180;
  const int turnedWidth = swapped ? height : width;
  const int turnedHeight = swapped ? width : height;
  for (int y = 0; y < turnedHeight; ++y) {
    for (int x = 0; x < turnedWidth; ++x) {
      int u = width - 1 - x, v = height - 1 - y;   // 180
      if (angle == 90) u = y, v = height - 1 - x;  // the left column becomes the top row
      if (angle == 270) u = width - 1 - y, v = x;  // the right column becomes the top row
      for (int s = 0; s < bands; ++s) turned[(y * turnedWidth + x) * bands + s] = samples[(v * width + u) * bands + s];
    }
  }
  return turned;
}

struct RotateCase {
  int angle;
  const char* bandList;  // empty: every band
  bool tiledThroughCache;
};

class KxhostRotate : public ::testing::TestWithParam<RotateCase> {
 protected:
  void SetUp() override {
    GDALAllRegister();
    directory_ = FreshTestDirectory();
  }
  std::string directory_;
};

TEST_P(KxhostRotate, MatchesGdalReadingTurnedByHand) {
  const RotateCase& c = GetParam();
  const std::string source = directory_ + "/source.tif";
  ASSERT_EQ(RunKxhost({"sample", source, "--bands", "4", "--type", "u16", "--size", "300x200"}).exitCode, 0);
  const std::string output = directory_ + "/turned.tif";
  std::vector<std::string> arguments = {"render", source, "-o", output, "--rotate", std::to_string(c.angle)};
  const std::string bandList = c.bandList;
  if (!bandList.empty()) arguments.insert(arguments.end(), {"--bands", bandList});
  if (c.tiledThroughCache)
    arguments.insert(arguments.end(), {"--tile", "64", "--threads", "3", "--cache", directory_ + "/cache"});
  const auto run = RunKxhost(arguments);
  ASSERT_EQ(run.exitCode, 0) << run.err;

  const std::vector<int> bands = bandList.empty() ? std::vector<int>{1, 2, 3, 4} : std::vector<int>{3, 1};
  int width = 0, height = 0, count = 0;
  const std::vector<double> got = ReadWholeImage(output, &width, &height, &count);
  ASSERT_EQ(std::vector<int>({width, height, count}),
            std::vector<int>({c.angle == 180 ? 300 : 200, c.angle == 180 ? 200 : 300, static_cast<int>(bands.size())}));
  const std::vector<double> want = TurnedByHand(ReadWithGdal(source, bands, 0, 0, 300, 200, 300, 200), 300, 200,
                                                static_cast<int>(bands.size()), c.angle);
  ASSERT_EQ(got.size(), want.size());
  size_t mismatches = 0;
  for (size_t i = 0; i < got.size(); ++i) {
    if (got[i] != want[i] && mismatches++ < 5) ADD_FAILURE() << "sample " << i << ": " << got[i] << " != " << want[i];
  }
  EXPECT_EQ(mismatches, 0u);
}

INSTANTIATE_TEST_SUITE_P(AnglesBandsAndCache, KxhostRotate,
                         ::testing::Values(RotateCase{90, "", false}, RotateCase{180, "3,1", true},
                                           RotateCase{270, "", true}));

// A quarter-turned GeoTIFF is placed by a rotated geotransform: its top-left
// pixel is the source's bottom-left one, and its columns run north.
TEST_F(KxhostRotate, QuarterTurnKeepsTheImageOnTheMap) {
  const std::string source = directory_ + "/source.tif";
  ASSERT_EQ(RunKxhost({"sample", source, "--bands", "1", "--type", "u8", "--size", "300x200"}).exitCode, 0);
  const std::string output = directory_ + "/turned.tif";
  const auto run = RunKxhost({"render", source, "-o", output, "--rotate", "90", "--scene", "20,30,100,80"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  GDALDatasetH dataset = GDALOpen(output.c_str(), GA_ReadOnly);
  ASSERT_NE(dataset, nullptr);
  double transform[6];
  ASSERT_EQ(GDALGetGeoTransform(dataset, transform), CE_None);
  GDALClose(dataset);
  // Scene pixel (0, 0) is source pixel (30, 200 - 20) at its lower-left corner.
  const double size = kKxSamplePixelSize;
  EXPECT_EQ(std::vector<double>(transform, transform + 6),
            std::vector<double>({kKxSampleOriginX + 30 * size, 0.0, size, kKxSampleOriginY - 180 * size, size, 0.0}));

  // Angles other than quarter turns are refused before anything is read.
  EXPECT_NE(RunKxhost({"render", source, "-o", output, "--rotate", "45"}).exitCode, 0);
}

}  // namespace
}  // namespace Kelvane
