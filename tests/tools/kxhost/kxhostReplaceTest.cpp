// kxhost with the module's pixel replacer: `overlay` lets the base show where
// the overlay has the key colour (`render --replace` is checked pixel for
// pixel, under the other stages, by the watermark test). Bad values end in
// one error line.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "kxhostTestSupport.h"

namespace kxhost::testing {
namespace {

using Pixel = std::vector<double>;

// Pixel-interleaved samples split into pixels of `bands` samples.
std::vector<Pixel> PixelsOf(const std::vector<double>& samples, size_t bands) {
  std::vector<Pixel> pixels;
  for (size_t i = 0; i + bands <= samples.size(); i += bands) pixels.emplace_back(&samples[i], &samples[i + bands]);
  return pixels;
}

using KxhostReplace = KxhostTest;

TEST_F(KxhostReplace, OverlayShowsTheBaseWhereTheOverlayHasTheKey) {
  // The overlay's nodata corner made green is the key; the base is another band order, black there.
  const std::string source = sample("source.tif", 3, "u8", "300x200");
  ASSERT_EQ(RunKxhost({"render", source, "-o", path("base.tif"), "--bands", "3,2,1"}).exitCode, 0);
  ASSERT_EQ(RunKxhost({"render", source, "-o", path("over.tif"), "--replace", "0,0,0=0,255,0"}).exitCode, 0);
  const KxhostRun run =
      RunKxhost({"overlay", path("base.tif"), path("over.tif"), "-o", path("out.tif"), "--key", "0,255,0"});
  ASSERT_EQ(run.exitCode, 0) << run.err;

  const std::vector<Pixel> base = PixelsOf(ReadWholeImage(path("base.tif")).samples, 3);
  std::vector<Pixel> want = PixelsOf(ReadWholeImage(path("over.tif")).samples, 3);
  for (size_t i = 0; i < want.size(); ++i) {
    if (want[i] == Pixel{0, 255, 0}) want[i] = base[i];
  }
  const GdalPixels got = ReadWholeImage(path("out.tif"));
  EXPECT_EQ(PixelsOf(got.samples, 3), want);
  EXPECT_EQ(got.transform, ReadWholeImage(path("base.tif")).transform);
  // The tolerant key lets the black base through the green corner too.
  ASSERT_EQ(RunKxhost({"overlay", path("base.tif"), path("over.tif"), "-o", path("near.tif"), "--key", "0,250,5",
                       "--tolerant"})
                .exitCode,
            0);
  EXPECT_EQ(PixelsOf(ReadWholeImage(path("near.tif")).samples, 3)[0], (Pixel{0, 0, 0}));
}

TEST_F(KxhostReplace, BadValuesEndInOneErrorLine) {
  const std::string rgb = sample("rgb.tif", 3, "u16", "64x48");
  const std::string grey = sample("grey.tif", 1, "u16", "64x48");
  const std::string out = path("out.tif");
  const std::pair<std::vector<std::string>, const char*> cases[] = {
      {{"render", rgb, "-o", out, "--replace", "0,0,0"}, "--replace must be FROM=TO"},
      {{"render", rgb, "-o", out, "--replace", "0,0=1,1"}, "2 samples per pixel for an image of 3 bands"},
      {{"render", rgb, "-o", out, "--replace", "0,0,0=1,1,70000"}, "value 70000 does not fit"},
      {{"render", rgb, "-o", out, "--replace", "0,0,0=1,1,1", "--map-rect", "1,2,3,4"}, "cannot be combined"},
      {{"overlay", rgb, grey, "-o", out, "--key", "0,0,0"}, "the images differ"},
      {{"overlay", rgb, rgb, "-o", out, "--key", "0,0"}, "--key gives 2 samples"},
      {{"overlay", rgb, rgb, "-o", out}, "usage: kxhost overlay"},
  };
  for (const auto& [arguments, message] : cases) ExpectOneErrorLine(arguments, message);
}

}  // namespace
}  // namespace kxhost::testing
