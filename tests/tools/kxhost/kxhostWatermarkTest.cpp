// kxhost with the module's watermarker: `render --watermark` stamps a grey,
// an RGB or a CMYK logo into the bottom-right corner of every tile, above
// every other stage. Logos it cannot take end in one error line, and `info`
// lists all five classes as served.
#include <gdal.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "kxhostTestSupport.h"

namespace kxhost::testing {
namespace {

constexpr int kLogoWidth = 24;
constexpr int kLogoHeight = 16;
using LogoSample = std::function<double(int x, int y, int band)>;

// Pixel-interleaved samples of one image.
struct Picture {
  int width = 0;
  int height = 0;
  int bands = 0;
  std::vector<double> samples;
  double& at(int x, int y, int b) { return samples[(size_t(y) * width + x) * bands + b]; }
  double at(int x, int y, int b) const { return samples[(size_t(y) * width + x) * bands + b]; }
};

Picture PictureOf(const GdalPixels& image) { return {image.width, image.height, image.bands, image.samples}; }

class KxhostWatermark : public KxhostTest {
 protected:
  // Writes a 8-bit GeoTIFF logo of `bands` bands; four are written as CMYK.
  std::string logo(const std::string& name, int bands, const LogoSample& sample) {
    Picture picture{kLogoWidth, kLogoHeight, bands, std::vector<double>(size_t(kLogoWidth) * kLogoHeight * bands)};
    for (int y = 0; y < kLogoHeight; ++y)
      for (int x = 0; x < kLogoWidth; ++x)
        for (int b = 0; b < bands; ++b) picture.at(x, y, b) = sample(x, y, b);
    const char* separated[] = {"PHOTOMETRIC=CMYK", nullptr};
    GDALDatasetH dataset = GDALCreate(GDALGetDriverByName("GTiff"), path(name).c_str(), kLogoWidth, kLogoHeight, bands,
                                      GDT_Byte, bands == 4 ? const_cast<char**>(separated) : nullptr);
    EXPECT_NE(dataset, nullptr);
    const int step = bands * int(sizeof(double));
    EXPECT_EQ(GDALDatasetRasterIO(dataset, GF_Write, 0, 0, kLogoWidth, kLogoHeight, picture.samples.data(), kLogoWidth,
                                  kLogoHeight, GDT_Float64, bands, nullptr, step, step * kLogoWidth, sizeof(double)),
              CE_None);
    GDALClose(dataset);
    return path(name);
  }

  // Renders with `options`; the output as GDAL reads it.
  Picture render(const std::string& image, std::vector<std::string> options) {
    std::vector<std::string> arguments = {"render", image, "-o", path("out.tif")};
    arguments.insert(arguments.end(), options.begin(), options.end());
    const KxhostRun run = RunKxhost(arguments);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    return PictureOf(ReadWholeImage(path("out.tif")));
  }
};

// `picture` as tile x tile tiles, each with `stamp` in its bottom-right
// corner (its top-left part where the tile is smaller).
Picture StampEveryTile(Picture picture, int tile, const Picture& stamp) {
  for (int ty = 0; ty < picture.height; ty += tile) {
    for (int tx = 0; tx < picture.width; tx += tile) {
      const int width = std::min(tile, picture.width - tx), height = std::min(tile, picture.height - ty);
      const int dx = std::max(0, width - stamp.width), dy = std::max(0, height - stamp.height);
      for (int y = dy; y < height && y - dy < stamp.height; ++y)
        for (int x = dx; x < width && x - dx < stamp.width; ++x)
          for (int b = 0; b < picture.bands; ++b) picture.at(tx + x, ty + y, b) = stamp.at(x - dx, y - dy, b);
    }
  }
  return picture;
}

TEST_F(KxhostWatermark, EveryTileCarriesTheLogoUprightInItsCornerAboveEveryOtherStage) {
  const std::string source = sample("source.tif", 3, "u8", "300x200");
  const Picture gdal{300, 200, 3, ReadWithGdal(source, {}, 0, 0, 300, 200, 300, 200)};
  // What the other stages render: GDAL's bands 3, 2, 1 with black made white, turned half a turn.
  Picture staged{300, 200, 3, {}};
  const std::vector<double> selected = ReadWithGdal(source, {3, 2, 1}, 0, 0, 300, 200, 300, 200);
  for (size_t i = selected.size(); i >= 3; i -= 3) {
    const bool black = selected[i - 3] == 0 && selected[i - 2] == 0 && selected[i - 1] == 0;
    for (size_t b = 0; b < 3; ++b) staged.samples.push_back(black ? 255.0 : selected[i - 3 + b]);
  }
  const auto pattern = [](int x, int y, int b) { return double((7 * x + 11 * y + 90 * b) % 256); };
  // Cyan ink in the left half of the CMYK logo, black ink in the right half.
  const auto inks = [](int x, int, int b) { return (x < kLogoWidth / 2 ? b == 0 : b == 3) ? 255.0 : 0.0; };
  const std::vector<std::string> tiled = {"--tile", "64", "--threads", "3"};
  const struct {
    std::string logo;
    LogoSample stamp;  // a logo pixel in the RGB render; none: the module's own conversion
    std::vector<std::string> options;
    const Picture& unstamped;
    int tile;
  } cases[] = {
      {logo("grey.tif", 1, pattern), [&](int x, int y, int) { return pattern(x, y, 0); }, tiled, gdal, 64},
      {logo("cmyk.tif", 4, inks), nullptr, tiled, gdal, 64},
      {logo("rgb.tif", 3, pattern),
       pattern,
       {"--rotate", "180", "--replace", "0,0,0=255,255,255", "--cache", path("cache"), "--bands", "3,2,1", "--tile",
        "50"},
       staged,
       50},
  };
  for (const auto& c : cases) {
    // A scene of exactly the logo's size is one stamp covering it.
    const Picture stamp = render(source, {"--scene", "0,0,24,16", "--watermark", c.logo});
    ASSERT_EQ(stamp.samples.size(), size_t(kLogoWidth) * kLogoHeight * 3) << c.logo;
    for (int y = 0; c.stamp && y < kLogoHeight; ++y)
      for (int x = 0; x < kLogoWidth; ++x)
        for (int b = 0; b < 3; ++b) ASSERT_EQ(stamp.at(x, y, b), c.stamp(x, y, b)) << c.logo << " " << x << "," << y;
    // Converted from CMYK, cyan lacks red and black ink is dark.
    EXPECT_TRUE(c.stamp || (stamp.at(0, 0, 0) + 100 < std::min(stamp.at(0, 0, 1), stamp.at(0, 0, 2)) &&
                            stamp.at(kLogoWidth - 1, 0, 1) < 80));
    std::vector<std::string> options = c.options;
    options.insert(options.end(), {"--watermark", c.logo});
    ExpectSameSamples(render(source, options).samples, StampEveryTile(c.unstamped, c.tile, stamp).samples);
  }
}

TEST_F(KxhostWatermark, LogosItCannotTakeEndInOneErrorLine) {
  const std::string rgbSource = sample("rgb.tif", 3, "u8", "64x48");
  const std::string greySource = sample("grey.tif", 1, "u8", "64x48");
  const auto zero = [](int, int, int) { return 0.0; };
  const std::string twoBands = logo("two.tif", 2, zero);
  const std::string cmyk = logo("cmyk.tif", 4, zero);
  const std::string rgba = sample("rgba.tif", 4, "u8", "16x16");
  // 70000 x 70000 pixels claimed by a file of a few kilobytes.
  const char* sparse[] = {"SPARSE_OK=TRUE", "TILED=YES", nullptr};
  GDALClose(GDALCreate(GDALGetDriverByName("GTiff"), path("huge.tif").c_str(), 70000, 70000, 3, GDT_Byte,
                       const_cast<char**>(sparse)));
  const std::string out = path("out.tif");
  const std::pair<std::vector<std::string>, const char*> cases[] = {
      {{"render", rgbSource, "-o", out, "--watermark", path("missing.tif")}, "cannot open"},
      {{"render", rgbSource, "-o", out, "--watermark", twoBands}, "has 2 bands: a watermark has 1 (grey), 3 (RGB)"},
      {{"render", rgbSource, "-o", out, "--watermark", rgba}, "has 4 bands: a watermark has"},
      {{"render", rgbSource, "-o", out, "--watermark", path("huge.tif")}, "bytes kxhost holds in memory"},
      {{"render", rgbSource, "-o", out, "--watermark", cmyk, "--map-rect", "1,2,3,4"}, "cannot be combined"},
      {{"render", greySource, "-o", out, "--watermark", cmyk}, "failed with"},
  };
  for (const auto& [arguments, message] : cases) ExpectOneErrorLine(arguments, message);
}

// A paletted image shows its palette's colours, not its indices: rendered as
// a source, and stamped as a logo.
TEST_F(KxhostWatermark, PalettedImagesShowTheirColoursAsSourceAndAsLogo) {
  const double colours[4][3] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 0}};
  const auto index = [](int x, int y) { return (x / 3 + y) % 4; };
  GDALDatasetH indices = GDALCreate(GDALGetDriverByName("MEM"), "", kLogoWidth, kLogoHeight, 1, GDT_Byte, nullptr);
  GDALColorTableH palette = GDALCreateColorTable(GPI_RGB);
  for (int i = 0; i < 4; ++i) {
    const GDALColorEntry entry{short(colours[i][0]), short(colours[i][1]), short(colours[i][2]), 255};
    GDALSetColorEntry(palette, i, &entry);
  }
  GDALRasterBandH band = GDALGetRasterBand(indices, 1);
  GDALSetRasterColorTable(band, palette);
  GDALDestroyColorTable(palette);
  std::vector<uint8_t> values;
  for (int y = 0; y < kLogoHeight; ++y)
    for (int x = 0; x < kLogoWidth; ++x) values.push_back(uint8_t(index(x, y)));
  ASSERT_EQ(GDALRasterIO(band, GF_Write, 0, 0, kLogoWidth, kLogoHeight, values.data(), kLogoWidth, kLogoHeight,
                         GDT_Byte, 0, 0),
            CE_None);
  const std::string png = path("palette.png");
  GDALClose(GDALCreateCopy(GDALGetDriverByName("PNG"), png.c_str(), indices, FALSE, nullptr, nullptr, nullptr));
  GDALClose(indices);
  Picture expected{kLogoWidth, kLogoHeight, 3, {}};
  for (int y = 0; y < kLogoHeight; ++y)
    for (int x = 0; x < kLogoWidth; ++x)
      for (int b = 0; b < 3; ++b) expected.samples.push_back(colours[index(x, y)][b]);

  SCOPED_TRACE("as the source");
  ExpectSameSamples(render(png, {"--tile", "10"}).samples, expected.samples);
  SCOPED_TRACE("as the logo");
  const std::string source = sample("source.tif", 3, "u8", "64x48");
  ExpectSameSamples(render(source, {"--scene", "0,0,24,16", "--watermark", png}).samples, expected.samples);
}

TEST_F(KxhostWatermark, InfoListsAllFiveClassesAsServed) {
  const KxhostRun run = RunKxhost({"info", sample("source.tif", 3, "u8", "64x48")});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  for (const char* name :
       {"Kelvane Watermarker Content Imp", "Kelvane Multiband Selector Content Imp",
        "Kelvane Pixel Replacer Content Imp", "Persistant Pixel Cache", "Kelvane Transposer Content Imp"}) {
    EXPECT_NE(run.out.find(name), std::string::npos) << name;
  }
  EXPECT_EQ(run.out.find("not served"), std::string::npos) << run.out;
}

}  // namespace
}  // namespace kxhost::testing
