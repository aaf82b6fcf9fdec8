// The render option table: every row reaches the parser and both usage
// texts, the chain stacks its stages in the table's order, and each row's
// value parse works by name alone, as a key=value list reaches it.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "hostChain/renderChain.h"
#include "hostChain/renderOptionTable.h"
#include "kxhost/commandLine.h"
#include "kxhost/hostModule.h"
#include "kxhost/stderrLogger.h"
#include "kxhostTestSupport.h"

namespace kxhost::testing {
namespace {

// A row the parser does not know or takes as a flag, that render's option
// check refuses, or that a usage text leaves out.
TEST(RenderOptionTable, EveryRowIsParsedAndShownInBothUsageTexts) {
  const std::string help = RunKxhost({"--help"}).out;
  const std::string usageError = RunKxhost({"render"}).err;
  for (const RenderOptionRow& row : RenderOptionRows()) {
    SCOPED_TRACE(row.name);
    const std::string option = std::string("--") + row.name;
    const char* argv[] = {"kxhost", "render", "image.tif", option.c_str(), "VALUE"};
    CommandLine line;
    std::string error;
    ASSERT_TRUE(ParseCommandLine(5, argv, &line, &error)) << error;
    EXPECT_EQ(line.value(row.name, ""), "VALUE");
    EXPECT_EQ(line.operands, std::vector<std::string>{"image.tif"});
    EXPECT_TRUE(CheckOptions(line, RenderOptionNames(), &error)) << error;
    EXPECT_NE(help.find(option + " " + row.placeholder), std::string::npos) << help;
    EXPECT_NE(help.find(row.help), std::string::npos) << help;
    const std::string shortForm = ShortOptionOf(row.name);
    EXPECT_NE(usageError.find((shortForm.empty() ? option : shortForm) + " " + row.placeholder), std::string::npos)
        << usageError;
  }
}

// A chain built out of the table's order: a cache under the selector that
// decodes past it, a watermark turned with the image. The help states the order.
using RenderOptionTableChain = KxhostTest;

TEST_F(RenderOptionTableChain, StagesStackInTheOrderTheHelpStates) {
  RenderSettings settings;
  settings.image = sample("source.tif", 3, "u8", "64x48");
  settings.bands = {3, 2, 1};
  settings.cache.directory = path("cache");
  settings.replacement = PixelReplacement{{0, 0, 0}, {255, 255, 255}};
  settings.rotate = 90;
  settings.watermark = settings.image;
  CommandLine line;
  line.options["module"] = KX_MODULE_PATH;
  ComPtr<StderrLogger> logger(StderrLogger::create(StderrLogger::kDefaultLevel));
  RenderChain chain;
  std::string error;
  ASSERT_TRUE(
      BuildRenderChain(settings, KxhostModuleSearch(line), logger.get(), StderrLogger::kVerboseLevel, &chain, &error))
      << error;

  // From the head down, each link answers its own stage's interface.
  const IID* topDown[] = {&IID_IKxWatermarkerImp, &IID_IKxTransposerImp, &IID_IKxPixelReplacerImp,
                          &IID_IKxPersistantPixelCache2, &IID_IKxMultibandSelector};
  ComPtr<IKxContentImp> link(chain.head());
  link->AddRef();
  for (const IID* stage : topDown) {
    ComPtr<IUnknown> answer;
    EXPECT_TRUE(SUCCEEDED(link->QueryInterface(*stage, answer.putVoid())));
    ComPtr<IKxContentImp> below;
    ASSERT_TRUE(SUCCEEDED(link->GetContainedImp(below.put())));
    link = std::move(below);
  }
  EXPECT_EQ(link.get(), static_cast<IKxContentImp*>(chain.source.get()));
  EXPECT_NE(
      RunKxhost({"--help"})
          .out.find("Stages stack above the image in this order: --bands, --cache, --replace, --rotate, --watermark."),
      std::string::npos);
}

// Each row's value check reached by name, with the dashes of a URL query's
// keys spelled as underscores; a check that leaned on the command line would
// let these through.
TEST(RenderOptionTable, BadValuesAreRefusedByNameAlone) {
  const std::tuple<const char*, const char*, const char*> cases[] = {
      {"bands", "0", "--bands must list"},
      {"bands", "1,,2", "--bands must list"},
      {"scene", "0,0,0,5", "--scene must be"},
      {"mag", "-1", "--mag must be"},
      {"tile", "65537", "--tile must be"},
      {"threads", "0", "--threads must be"},
      {"resampling", "gauss", "--resampling must be"},
      {"cache", "", "--cache must name"},
      {"cache_tile", "512", "--cache-tile must be"},
      {"max_cuts", "-1", "--max-cuts must be"},
      {"utility", "-0.5", "--utility must be"},
      {"tile_ratio", "inf", "--tile-ratio must be"},
      {"max_mag", "x", "--max-mag must be"},
      {"map_rect", "1,2,3,0", "--map-rect must be"},
      {"srs", "", "--srs names"},
      {"replace", "0,0=1", "--replace must be FROM=TO"},
      {"rotate", "45", "--rotate must be"},
      {"watermark", "", "--watermark must name"},
      {"sharpen", "2", "unknown render option sharpen"},
  };
  for (const auto& [name, value, message] : cases) {
    SCOPED_TRACE(std::string(name) + "=" + value);
    RenderSettings settings;
    std::string error;
    EXPECT_FALSE(ParseRenderSetting(name, value, &settings, &error));
    EXPECT_NE(error.find(message), std::string::npos) << error;
  }
}

// A connection string's query: values that hold '=' themselves, and keys
// with underscores, land in the settings they name.
TEST(RenderOptionTable, AQueryFillsTheSettingsItNames) {
  RenderSettings settings;
  std::string error;
  for (const std::string pair :
       {"bands=3,2,1", "rotate=90", "replace=0,0,0=255,255,255", "watermark=LOGO", "cache=DIR", "cache_tile=512x256"}) {
    const size_t equals = pair.find('=');
    ASSERT_TRUE(ParseRenderSetting(pair.substr(0, equals), pair.substr(equals + 1), &settings, &error)) << error;
  }
  EXPECT_EQ(settings.bands, (std::vector<uint32_t>{3, 2, 1}));
  EXPECT_EQ(settings.rotate, 90u);
  ASSERT_TRUE(settings.replacement);
  EXPECT_EQ(settings.replacement->to, (std::vector<double>{255, 255, 255}));
  EXPECT_EQ(settings.watermark, "LOGO");
  EXPECT_EQ(settings.cache.directory, "DIR");
  EXPECT_EQ(std::make_pair(settings.cache.tileWidth, settings.cache.tileHeight),
            std::make_pair(std::optional<uint32_t>(512), std::optional<uint32_t>(256)));
  EXPECT_TRUE(CheckRenderSettings(settings, &error)) << error;
}

}  // namespace
}  // namespace kxhost::testing
