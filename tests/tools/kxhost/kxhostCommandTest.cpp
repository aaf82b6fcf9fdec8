// kxhost end to end. It renders generated GeoTIFFs, through the module's
// multiband selector when bands are chosen, its transposer when turned and its
// persistent pixel cache when given one, and its output matches GDAL reading
// the same bands of the source directly, pixel for pixel; cache-stats counts
// the tiles on disk. Bad input ends in one clear error line and a non-zero
// exit, never a crash, and leaves no output behind.
#include <gdal.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "kxhost/sampleImage.h"
#include "kxhostTestSupport.h"

namespace kxhost::testing {
namespace {

// Bands "3,2,1" as GDAL band numbers; every band for an empty list.
std::vector<int> bandNumbers(const std::string& list, int all) {
  std::vector<int> bands;
  std::istringstream in(list);
  for (std::string band; std::getline(in, band, ',');) bands.push_back(std::stoi(band));
  for (int b = 1; list.empty() && b <= all; ++b) bands.push_back(b);
  return bands;
}

// Pixel-interleaved samples of a width x height image turned clockwise by `angle`.
std::vector<double> turned(const std::vector<double>& samples, int width, int height, size_t bands, int angle) {
  std::vector<double> out(samples.size());
  const int outWidth = angle % 180 != 0 ? height : width;
  for (size_t i = 0; i < out.size(); ++i) {
    const int x = static_cast<int>(i / bands) % outWidth, y = static_cast<int>(i / bands) / outWidth;
    int u = x, v = y;
    if (angle == 90) u = y, v = height - 1 - x;  // the left column becomes the top row
    if (angle == 180) u = width - 1 - x, v = height - 1 - y;
    if (angle == 270) u = width - 1 - y, v = x;  // the right column becomes the top row
    out[i] = samples[(static_cast<size_t>(v) * width + u) * bands + i % bands];
  }
  return out;
}

struct RenderCase {
  const char* type;      // u8 or u16
  int bands;             // of the 300 x 200 source
  const char* bandList;  // empty: no --bands
  int angle;             // 0: no --rotate
  bool tiled;            // tiles of 64 (partial at both edges) on three threads
  bool cached;           // through the persistent pixel cache
  const char* extension;
  const char* name;
};

class KxhostRender : public KxhostTest, public ::testing::WithParamInterface<RenderCase> {};

TEST_P(KxhostRender, MatchesGdalReadingTheSameBands) {
  const RenderCase& c = GetParam();
  const std::string source = sample("source.tif", c.bands, c.type, "300x200");
  const std::string output = path(std::string("out") + c.extension);
  std::vector<std::string> arguments = {"render", source, "-o", output};
  if (c.bandList[0] != 0) arguments.insert(arguments.end(), {"--bands", c.bandList});
  if (c.angle != 0) arguments.insert(arguments.end(), {"--rotate", std::to_string(c.angle)});
  if (c.tiled) arguments.insert(arguments.end(), {"--tile", "64", "--threads", "3"});
  if (c.cached) arguments.insert(arguments.end(), {"--cache", path("cache")});
  const KxhostRun run = RunKxhost(arguments);
  ASSERT_EQ(run.exitCode, 0) << run.err;

  const std::vector<int> chosen = bandNumbers(c.bandList, c.bands);
  const GdalPixels got = ReadWholeImage(output);
  const bool swapped = c.angle % 180 != 0;
  EXPECT_EQ(std::vector<int>({got.width, got.height, got.bands}),
            std::vector<int>({swapped ? 200 : 300, swapped ? 300 : 200, static_cast<int>(chosen.size())}));
  EXPECT_EQ(got.type, std::string(c.type) == "u8" ? GDT_Byte : GDT_UInt16);
  ExpectSameSamples(got.samples,
                    turned(ReadWithGdal(source, chosen, 0, 0, 300, 200, 300, 200), 300, 200, chosen.size(), c.angle));
}

INSTANTIATE_TEST_SUITE_P(
    TypesBandsTilingAndTurns, KxhostRender,
    ::testing::Values(RenderCase{"u8", 1, "", 0, false, false, ".tif", "u8_1band"},
                      RenderCase{"u8", 3, "", 0, true, false, ".png", "u8_3bands_tiled_png"},
                      RenderCase{"u8", 7, "3,2,1", 0, false, false, ".png", "u8_7bands_selected_png"},
                      RenderCase{"u8", 7, "7,1,4,4", 0, true, false, ".tif", "u8_7bands_selected_tiled"},
                      RenderCase{"u16", 1, "1", 0, true, false, ".tif", "u16_1band_selected_tiled"},
                      RenderCase{"u16", 3, "2,3,1", 0, false, false, ".png", "u16_3bands_selected_png"},
                      RenderCase{"u16", 7, "", 0, true, false, ".tif", "u16_7bands_tiled"},
                      RenderCase{"u16", 7, "5", 0, false, false, ".tif", "u16_7bands_selected"},
                      RenderCase{"u16", 4, "", 90, false, false, ".tif", "turned90"},
                      RenderCase{"u16", 4, "3,1", 180, true, true, ".tif", "turned180_selected_tiled_cached"},
                      RenderCase{"u16", 4, "", 270, true, true, ".tif", "turned270_tiled_cached"}),
    [](const ::testing::TestParamInfo<RenderCase>& info) { return std::string(info.param.name); });

// A scene at half magnification reads the overview and is written with twice
// the pixel size; a quarter-turned scene starts at its bottom-left source
// pixel and its columns run north.
TEST_F(KxhostRender, ScenesKeepTheirPlaceOnTheMap) {
  const std::string source = sample("source.tif", 7, "u8", "512x384");
  const double size = kKxSamplePixelSize;
  const KxhostRun half = RunKxhost({"render", source, "-o", path("half.tif"), "--bands", "6,2", "--scene",
                                    "40,30,100,80", "--mag", "0.5", "--tile", "32", "--threads", "2"});
  ASSERT_EQ(half.exitCode, 0) << half.err;
  const GdalPixels got = ReadWholeImage(path("half.tif"));
  ExpectSameSamples(got.samples, ReadWithGdal(source, {6, 2}, 80, 60, 200, 160, 100, 80));
  EXPECT_NE(got.wkt.find("3857"), std::string::npos) << got.wkt;
  EXPECT_EQ(got.transform, std::vector<double>({kKxSampleOriginX + 80 * size, 2 * size, 0, kKxSampleOriginY - 60 * size,
                                                0, -2 * size}));

  // Turned scene pixel (0, 0) is source pixel (30, 363), placed by its lower-left corner.
  const KxhostRun turn =
      RunKxhost({"render", source, "-o", path("turned.tif"), "--rotate", "90", "--scene", "20,30,100,80"});
  ASSERT_EQ(turn.exitCode, 0) << turn.err;
  EXPECT_EQ(ReadWholeImage(path("turned.tif")).transform,
            std::vector<double>({kKxSampleOriginX + 30 * size, 0, size, kKxSampleOriginY - 364 * size, size, 0}));
}

// The cache tests share the plain fixture.
using KxhostCache = KxhostTest;

// One --cache DIR for two images of one size, for one image in two tile
// sizes and for a band selection: every render gives its own source's pixels
// from a directory made for it, a repeat is served from its tiles alone, and
// cache-stats shows each directory with what it holds.
TEST_F(KxhostCache, EachSourceTileSizeAndBandListKeepsTilesOfItsOwn) {
  const std::string first = sample("first.tif", 3, "u8", "300x200");
  const std::string swapped = path("swapped.tif");
  ASSERT_EQ(RunKxhost({"render", first, "-o", swapped, "--bands", "3,2,1"}).exitCode, 0);
  // The image, the cache's tile size, the band list, and whether its tiles are on disk already.
  const std::tuple<std::string, const char*, const char*, bool> renders[] = {
      {first, "128x128", "", false},  {swapped, "128x128", "", false}, {first, "64x128", "", false},
      {swapped, "64x128", "", false}, {first, "128x128", "", true},    {first, "128x128", "3,1", false},
      {first, "128x128", "3,1", true}};
  for (const auto& [image, tile, bands, cached] : renders) {
    SCOPED_TRACE(image + " " + tile + " " + bands);
    // Decodes of 100 x 100 over cache tiles of another size.
    std::vector<std::string> arguments = {"-v", "render", image, "--cache", path("cache"),  "--cache-tile",
                                          tile, "--tile", "100", "-o",      path("out.tif")};
    if (bands[0] != 0) arguments.insert(arguments.end(), {"--bands", bands});
    const KxhostRun run = RunKxhost(arguments);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(ReadWholeImage(path("out.tif")).samples,
              ReadWithGdal(image, bandNumbers(bands, 3), 0, 0, 300, 200, 300, 200));
    EXPECT_EQ(run.err.find("bypassing the cache"), std::string::npos) << run.err;
    EXPECT_EQ(run.err.find("cache miss") == std::string::npos, cached) << run.err;
    if (cached) {
      EXPECT_NE(run.err.find("numCuts: 0/0"), std::string::npos) << run.err;
    }
  }
  // The first image's tiles: three columns and two rows, 300 x 200 RGB bytes
  // in all, kept under its name and key, its band list and its tile size.
  const KxhostRun stats = RunKxhost({"cache-stats", path("cache")});
  ASSERT_EQ(stats.exitCode, 0) << stats.err;
  const std::string lines[] = {"source swapped.tif.",
                               "source first.tif.",
                               ": path " + std::filesystem::canonical(first).string() + ", size ",
                               "bands-all tiles-128x128 level -0.000000  magnification 1",
                               "bands-all tiles-64x128",
                               "bands-3-1 tiles-128x128 level -0.000000",
                               "6 tiles         180000 bytes"};
  for (const std::string& line : lines) {
    EXPECT_NE(stats.out.find(line), std::string::npos) << line << "\n" << stats.out;
  }
}

TEST_F(KxhostCache, AMapRectangleRendersThePixelsOfItsScene) {
  // Pixels 40,20 to 168,84 of the sample, in map units, with and without the cache.
  const std::string image = sample("sample.tif", 3, "u8", "300x200");
  const std::string rect =
      std::to_string(kKxSampleOriginX + 400) + "," + std::to_string(kKxSampleOriginY - 200) + ",1280,640";
  ASSERT_EQ(RunKxhost({"render", image, "--scene", "40,20,128,64", "-o", path("scene.tif")}).exitCode, 0);
  for (const auto& [option, value] :
       {std::pair<std::string, std::string>{"--cache", path("cache")}, {"--srs", "EPSG:3857"}}) {
    const KxhostRun run = RunKxhost({"render", image, "--map-rect", rect, "-o", path("map.tif"), option, value});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(ReadWholeImage(path("map.tif")).samples, ReadWholeImage(path("scene.tif")).samples);
  }
}

TEST(KxhostBadInput, EndsInOneErrorLineAndNonZeroExit) {
  const std::string directory = FreshTestDirectory();
  const std::string image = directory + "/seven.tif";
  ASSERT_EQ(RunKxhost({"sample", image, "--bands", "7", "--size", "64x48"}).exitCode, 0);
  const std::string text = directory + "/text.tif";
  std::ofstream(text) << "not an image\n";
  const std::string output = directory + "/out.tif";

  // A bad command line and what its error line says.
  const std::pair<std::vector<std::string>, const char*> cases[] = {
      {{"render", directory + "/missing.tif", "-o", output}, "No such file or directory"},
      {{"render", text, "-o", output}, "not recognized as a supported file format"},
      {{"render", image, "-o", output, "--bands", "3,8"}, "band 8 is out of range"},
      {{"render", image, "-o", output, "--bands", "0"}, "--bands must list"},
      {{"render", image, "-o", output, "--scene", "64,0,10,10"}, "lies outside the image"},
      {{"render", image, "-o", output, "--scene", "0,0,0,5"}, "--scene must be"},
      {{"render", image, "-o", output, "--mag", "0"}, "--mag must be"},
      {{"render", image, "-o", directory + "/out.bmp"}, "cannot tell the format"},
      {{"render", image, "-o", directory + "/out.png"}, "PNG driver doesn't support 7 bands"},
      {{"render", image, "-o", output, "--bands", "1", "--module", directory + "/none.so"}, "cannot load module"},
      {{"render", image, "-o", output, "--tile"}, "needs a value"},
      {{"render", image, "-o", output, "--size", "5x5"}, "does not apply to render"},
      {{"sample", directory + "/sample.png"}, "name it .tif"},
      {{"sample", directory + "/s.tif", "--size", "0x10"}, "--size must be"},
      {{"frobnicate"}, "unknown command"},
      {{"render", image, "-o", output, "--rotate", "45"}, "--rotate must be 90, 180 or 270"},
      {{"render", image, "-o", output, "--max-cuts", "2"}, "need --cache"},
      {{"render", image, "-o", output, "--cache", directory, "--cache-tile", "0x5"}, "--cache-tile"},
      {{"render", image, "-o", output, "--map-rect", "1,2,3"}, "--map-rect must be"},
      {{"render", image, "-o", output, "--map-rect", "1113194.9,6446275.8,100,100", "--srs", "EPSG:4326"},
       "0x80041281"},
      {{"cache-stats", directory + "/missing"}, "is not a directory"},
      {{"render", image, "-o", image}, "names the input image"},
      {{"render", image, "-o", directory + "/link.tif"}, "names the input image"},
      {{"render", directory + "/fifo.tif", "-o", output}, "not a regular file"},
      {{"render", directory + "/huge.vrt", "-o", output}, "more than the 2147483648 bytes kxhost holds in memory"},
      {{"overlay", directory + "/huge.vrt", image, "-o", output, "--key", "0"}, "huge.vrt needs 10000000000 bytes"},
      {{"overlay", image, image, "-o", image, "--key", "0,0,0,0,0,0,0"}, "names the input image"},
  };
  std::filesystem::create_symlink(image, directory + "/link.tif");
  ASSERT_EQ(mkfifo((directory + "/fifo.tif").c_str(), 0600), 0);
  // A tiny file claiming 100000 x 100000 pixels.
  std::ofstream(directory + "/huge.vrt") << "<VRTDataset rasterXSize=\"100000\" rasterYSize=\"100000\">"
                                            "<VRTRasterBand dataType=\"Byte\" band=\"1\"/></VRTDataset>";
  const std::string kept = ReadFileBytes(image);
  for (const auto& [arguments, message] : cases) {
    SCOPED_TRACE(message);
    ExpectOneErrorLine(arguments, message);
    for (const char* written : {"/out.tif", "/out.png"}) EXPECT_FALSE(std::filesystem::exists(directory + written));
  }
  EXPECT_EQ(ReadFileBytes(image), kept);
}

// A write that fails part way (here at a file size limit) leaves neither a
// partial output nor a temporary file, and an earlier output stays as it was.
TEST_F(KxhostRender, AFailedWriteLeavesTheEarlierOutputAlone) {
  const std::string source = sample("source.tif", 3, "u8", "300x200");
  for (const char* name : {"out.tif", "out.png", "out.jpg"}) {
    SCOPED_TRACE(name);
    std::ofstream(path(name)) << "earlier output";
    const KxhostRun run = RunKxhost({"render", source, "-o", path(name)}, "trap '' XFSZ; ulimit -f 1;");
    EXPECT_NE(run.exitCode, 0);
    EXPECT_NE(run.err.find("cannot write " + path(name)), std::string::npos) << run.err;
    EXPECT_EQ(ReadFileBytes(path(name)), "earlier output");
  }
  for (const auto& entry : std::filesystem::directory_iterator(directory_))
    EXPECT_EQ(entry.path().string().find(".tmp"), std::string::npos) << entry.path();
}

}  // namespace
}  // namespace kxhost::testing
