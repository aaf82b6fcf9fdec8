// kxhost with the persistent pixel cache: renders through the cache match
// GDAL reading the image, a repeated render comes from the tile files alone,
// map rectangles render the pixels of their scene, and cache-stats counts
// the tiles on disk.
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
using testing::RunKxhost;

std::vector<double> Pixels(const std::string& path) {
  int width = 0;
  int height = 0;
  int bands = 0;
  return ReadWholeImage(path, &width, &height, &bands);
}

bool Contains(const std::string& text, const std::string& fragment) { return text.find(fragment) != std::string::npos; }

class KxhostCache : public ::testing::Test {
 protected:
  void SetUp() override {
    GDALAllRegister();
    directory_ = FreshTestDirectory();
    image_ = directory_ + "/sample.tif";
    const auto run = RunKxhost({"sample", image_, "--size", "300x200"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
  }
  std::string path(const std::string& name) const { return directory_ + "/" + name; }

  std::string directory_;
  std::string image_;
};

TEST_F(KxhostCache, ARepeatedRenderComesFromTheTileFiles) {
  const std::vector<std::string> render = {"-v",      "render", image_, "--cache",   path("cache"), "--cache-tile",
                                           "128x128", "--tile", "100",  "--threads", "2",           "-o"};
  std::vector<std::string> first = render;
  first.push_back(path("first.tif"));
  const auto filled = RunKxhost(first);
  ASSERT_EQ(filled.exitCode, 0) << filled.err;
  EXPECT_EQ(Pixels(path("first.tif")), Pixels(image_));

  std::vector<std::string> second = render;
  second.push_back(path("second.tif"));
  const auto repeated = RunKxhost(second);
  ASSERT_EQ(repeated.exitCode, 0) << repeated.err;
  for (const std::string& line : repeated.errorLines()) {
    if (!Contains(line, "decodeAllTiles")) continue;
    EXPECT_TRUE(Contains(line, "numCuts: 0/0") && Contains(line, "cacheWrites: 0")) << line;
  }
  EXPECT_EQ(Pixels(path("second.tif")), Pixels(image_));

  // Three columns and two rows of tiles, 300 x 200 RGB bytes in all.
  const auto stats = RunKxhost({"cache-stats", path("cache")});
  ASSERT_EQ(stats.exitCode, 0) << stats.err;
  EXPECT_TRUE(Contains(stats.out, "level -0.000000  magnification 1")) << stats.out;
  EXPECT_TRUE(Contains(stats.out, "6 tiles         180000 bytes")) << stats.out;
}

TEST_F(KxhostCache, AMapRectangleRendersThePixelsOfItsScene) {
  // Pixels 40,20 to 168,84 of the sample, in map units.
  const std::string rect =
      std::to_string(kKxSampleOriginX + 400) + "," + std::to_string(kKxSampleOriginY - 200) + ",1280,640";
  ASSERT_EQ(RunKxhost({"render", image_, "--scene", "40,20,128,64", "-o", path("scene.tif")}).exitCode, 0);
  for (const std::vector<std::string>& extra :
       {std::vector<std::string>{"--cache", path("cache")}, std::vector<std::string>{"--srs", "EPSG:3857"}}) {
    std::vector<std::string> arguments = {"render", image_, "--map-rect", rect, "-o", path("map.tif")};
    arguments.insert(arguments.end(), extra.begin(), extra.end());
    const auto run = RunKxhost(arguments);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(Pixels(path("map.tif")), Pixels(path("scene.tif")));
  }
  const auto other = RunKxhost({"render", image_, "--map-rect", rect, "--srs", "EPSG:4326", "-o", path("x.tif")});
  EXPECT_EQ(other.exitCode, 1);
  EXPECT_TRUE(Contains(other.err, "0x80041281")) << other.err;
}

TEST_F(KxhostCache, RefusesSettingsItCannotUse) {
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{"render", image_, "-o", path("o.tif"), "--max-cuts", "2"}, "need --cache"},
      {{"render", image_, "-o", path("o.tif"), "--cache", path("c"), "--cache-tile", "0x5"}, "--cache-tile"},
      {{"cache-stats", path("missing")}, "is not a directory"},
  };
  for (const auto& [arguments, reason] : cases) {
    const auto run = RunKxhost(arguments);
    EXPECT_NE(run.exitCode, 0) << arguments.back();
    EXPECT_TRUE(Contains(run.err, reason)) << run.err;
  }
}

}  // namespace
}  // namespace Kelvane
