// kxhost renders generated GeoTIFFs, through the module's multiband selector
// when bands are chosen, and its output matches GDAL reading the same bands
// of the source directly, pixel for pixel.
#include <gdal.h>
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "kxhost/sampleImage.h"
#include "kxhostTestSupport.h"

namespace Kelvane {
namespace {

using testing::FreshTestDirectory;
using testing::ModuleServesMultibandSelector;
using testing::ReadWholeImage;
using testing::ReadWithGdal;
using testing::RunKxhost;

// Bands "3,2,1" as GDAL band numbers.
std::vector<int> bandNumbers(const std::string& list, int all) {
  std::vector<int> bands;
  if (list.empty()) {
    for (int b = 1; b <= all; ++b) bands.push_back(b);
    return bands;
  }
  std::istringstream in(list);
  for (std::string band; std::getline(in, band, ',');) bands.push_back(std::stoi(band));
  return bands;
}

void expectSameSamples(const std::vector<double>& got, const std::vector<double>& want) {
  ASSERT_EQ(got.size(), want.size());
  size_t mismatches = 0;
  for (size_t i = 0; i < got.size(); ++i) {
    if (got[i] != want[i] && mismatches++ < 5) ADD_FAILURE() << "sample " << i << ": " << got[i] << " != " << want[i];
  }
  EXPECT_EQ(mismatches, 0u);
}

GDALDataType outputType(const std::string& path) {
  GDALDatasetH dataset = GDALOpen(path.c_str(), GA_ReadOnly);
  if (dataset == nullptr) return GDT_Unknown;
  const GDALDataType type = GDALGetRasterDataType(GDALGetRasterBand(dataset, 1));
  GDALClose(dataset);
  return type;
}

struct RenderCase {
  const char* type;
  int bands;
  const char* bandList;  // empty: no --bands
  bool tiled;
  const char* extension;
};

class KxhostRender : public ::testing::TestWithParam<RenderCase> {
 protected:
  void SetUp() override {
    GDALAllRegister();
    directory_ = FreshTestDirectory();
  }
  // A 300 x 200 sample (tiles of 64 leave partial tiles at both edges).
  std::string makeSample(const std::string& name, int bands, const std::string& type, const std::string& size) {
    const std::string path = directory_ + "/" + name;
    const auto run = RunKxhost({"sample", path, "--bands", std::to_string(bands), "--type", type, "--size", size});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    return path;
  }
  std::string directory_;
};

TEST_P(KxhostRender, MatchesGdalReadingTheSameBands) {
  const RenderCase& c = GetParam();
  const std::string bandList = c.bandList;
  if (!bandList.empty() && !ModuleServesMultibandSelector()) GTEST_SKIP() << "the module has no multiband selector";
  const std::string source = makeSample("source.tif", c.bands, c.type, "300x200");
  const std::string output = directory_ + "/out" + c.extension;
  std::vector<std::string> arguments = {"render", source, "-o", output};
  if (!bandList.empty()) arguments.insert(arguments.end(), {"--bands", bandList});
  if (c.tiled) arguments.insert(arguments.end(), {"--tile", "64", "--threads", "3"});
  const auto run = RunKxhost(arguments);
  ASSERT_EQ(run.exitCode, 0) << run.err;

  int width = 0, height = 0, bands = 0;
  const std::vector<double> got = ReadWholeImage(output, &width, &height, &bands);
  const std::vector<int> chosen = bandNumbers(bandList, c.bands);
  ASSERT_EQ(width, 300);
  ASSERT_EQ(height, 200);
  ASSERT_EQ(bands, static_cast<int>(chosen.size()));
  EXPECT_EQ(outputType(output), std::string(c.type) == "u8" ? GDT_Byte : GDT_UInt16);
  expectSameSamples(got, ReadWithGdal(source, chosen, 0, 0, 300, 200, 300, 200));
}

INSTANTIATE_TEST_SUITE_P(
    TypesBandsAndTiling, KxhostRender,
    ::testing::Values(RenderCase{"u8", 1, "", false, ".tif"}, RenderCase{"u8", 3, "", true, ".png"},
                      RenderCase{"u8", 7, "3,2,1", false, ".png"}, RenderCase{"u8", 7, "7,1,4,4", true, ".tif"},
                      RenderCase{"u16", 1, "1", true, ".tif"}, RenderCase{"u16", 3, "2,3,1", false, ".png"},
                      RenderCase{"u16", 7, "", true, ".tif"}, RenderCase{"u16", 7, "5", false, ".tif"}),
    [](const ::testing::TestParamInfo<RenderCase>& info) {
      std::string name = std::string(info.param.type) + "_" + std::to_string(info.param.bands) + "bands_" +
                         (info.param.bandList[0] != 0 ? "selected" : "all") +
                         (info.param.tiled ? "_tiled_" : "_whole_") + (info.param.extension + 1) + "_" +
                         std::to_string(info.index);
      return name;
    });

// A scene at half magnification reads the overview, and the GeoTIFF written
// carries the scene's own origin and pixel size.
TEST_F(KxhostRender, HalfMagnificationSceneKeepsItsGeoReferencing) {
  if (!ModuleServesMultibandSelector()) GTEST_SKIP() << "the module has no multiband selector";
  const std::string source = makeSample("source.tif", 7, "u8", "512x384");
  const std::string output = directory_ + "/scene.tif";
  const auto run = RunKxhost({"render", source, "-o", output, "--bands", "6,2", "--scene", "40,30,100,80", "--mag",
                              "0.5", "--tile", "32", "--threads", "2"});
  ASSERT_EQ(run.exitCode, 0) << run.err;

  int width = 0, height = 0, bands = 0;
  expectSameSamples(ReadWholeImage(output, &width, &height, &bands),
                    ReadWithGdal(source, {6, 2}, 80, 60, 200, 160, 100, 80));
  GDALDatasetH dataset = GDALOpen(output.c_str(), GA_ReadOnly);
  ASSERT_NE(dataset, nullptr);
  double transform[6];
  ASSERT_EQ(GDALGetGeoTransform(dataset, transform), CE_None);
  EXPECT_DOUBLE_EQ(transform[0], kKxSampleOriginX + 80 * kKxSamplePixelSize);
  EXPECT_DOUBLE_EQ(transform[3], kKxSampleOriginY - 60 * kKxSamplePixelSize);
  EXPECT_DOUBLE_EQ(transform[1], 2 * kKxSamplePixelSize);
  EXPECT_DOUBLE_EQ(transform[5], -2 * kKxSamplePixelSize);
  EXPECT_NE(std::string(GDALGetProjectionRef(dataset)).find("3857"), std::string::npos);
  GDALClose(dataset);
}

// Where a scene reaches past the image, the output holds the nodata value.
TEST_F(KxhostRender, SceneReachingPastTheImageIsFilledWithNodata) {
  const std::string source = makeSample("source.tif", 3, "u16", "300x200");
  const std::string output = directory_ + "/edge.tif";
  const auto run = RunKxhost({"render", source, "-o", output, "--scene", "250,-20,80,60", "--tile", "16"});
  ASSERT_EQ(run.exitCode, 0) << run.err;

  int width = 0, height = 0, bands = 0;
  const std::vector<double> got = ReadWholeImage(output, &width, &height, &bands);
  const std::vector<double> inside = ReadWithGdal(source, {1, 2, 3}, 250, 0, 50, 40, 50, 40);
  std::vector<double> want(80 * 60 * 3, kKxSampleNodata);
  for (int y = 20; y < 60; ++y) {
    for (int x = 0; x < 50; ++x) {
      for (int s = 0; s < 3; ++s) want[(y * 80 + x) * 3 + s] = inside[((y - 20) * 50 + x) * 3 + s];
    }
  }
  expectSameSamples(got, want);
}

}  // namespace
}  // namespace Kelvane
