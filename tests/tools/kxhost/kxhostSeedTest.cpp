// kxhost seed: the tiles it writes are the ones `render --cache` reads, split
// into parts run at once they are the same files one process writes, and a
// repeat decodes nothing. Bad input ends in one error line.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "hostChain/tilePlan.h"
#include "kxhostTestSupport.h"

namespace kxhost::testing {
namespace {

using KxhostSeed = KxhostTest;

// Every file below `root` by its path relative to it, with its bytes.
std::map<std::string, std::string> filesBelow(const std::string& root) {
  std::map<std::string, std::string> files;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
    if (entry.is_regular_file())
      files[std::filesystem::relative(entry.path(), root).string()] = ReadFileBytes(entry.path().string());
  }
  return files;
}

std::vector<std::string> with(std::vector<std::string> arguments, const std::vector<std::string>& more) {
  arguments.insert(arguments.end(), more.begin(), more.end());
  return arguments;
}

// Options shared by the seed and the render that reads its tiles.
struct ChainCase {
  std::vector<std::string> options;
  const char* mag;  // of the render: level 0 or 1
  const char* name;
};

class KxhostSeedChain : public KxhostSeed, public ::testing::WithParamInterface<ChainCase> {};

// A seed that decoded through the head of a turned chain, or named its tiles
// wrongly, or missed a level, leaves the render to decode from the source.
TEST_P(KxhostSeedChain, RenderAfterSeedDecodesNothingFromTheSource) {
  const ChainCase& c = GetParam();
  const std::string image = sample("image.tif", 4, "u16", "300x200");
  const std::vector<std::string> cache = with({"--cache", path("cache"), "--cache-tile", "128x96"}, c.options);
  const KxhostRun seed = RunKxhost(with({"seed", image, "--levels", "0-1", "--threads", "3"}, cache));
  ASSERT_EQ(seed.exitCode, 0) << seed.err;
  EXPECT_NE(seed.out.find(" refused), "), std::string::npos) << seed.out;

  const std::vector<std::string> render = with({"render", image, "--mag", c.mag, "--tile", "100"}, c.options);
  const KxhostRun cached = RunKxhost(with(with({"-v"}, render), with({"-o", path("cached.tif")}, cache)));
  ASSERT_EQ(cached.exitCode, 0) << cached.err;
  EXPECT_EQ(cached.err.find("cache miss"), std::string::npos) << cached.err;
  EXPECT_NE(cached.err.find("numCuts: 0/0"), std::string::npos) << cached.err;
  ASSERT_EQ(RunKxhost(with(render, {"-o", path("plain.tif")})).exitCode, 0);
  EXPECT_EQ(ReadWholeImage(path("cached.tif")).samples, ReadWholeImage(path("plain.tif")).samples);
}

INSTANTIATE_TEST_SUITE_P(
    Chains, KxhostSeedChain,
    ::testing::Values(ChainCase{{}, "1", "plain"}, ChainCase{{"--bands", "3,1"}, "0.5", "selected_half"},
                      ChainCase{{"--rotate", "90", "--replace", "0,0,0,0=9,9,9,9"}, "1", "turned_replaced"},
                      ChainCase{{"--resampling", "average"}, "0.5", "averaged_half"}),
    [](const ::testing::TestParamInfo<ChainCase>& info) { return std::string(info.param.name); });

// Parts that overlapped or missed tiles, or writers racing on one name,
// show as different files or leftover temporary ones.
TEST_F(KxhostSeed, ThreePartsAtOnceWriteTheSameFilesAsOneProcess) {
  const std::string image = sample("image.tif", 3, "u8", "700x500");
  const std::vector<std::string> options = {"--cache-tile", "128x96", "--levels", "0-2", "--threads", "2"};
  const KxhostRun whole = RunKxhost(with({"seed", image, "--cache", path("one")}, options));
  ASSERT_EQ(whole.exitCode, 0) << whole.err;
  // 6x6 + 3x3 + 2x2 tiles of 700x500 + 350x250 + 175x125 RGB pixels.
  EXPECT_EQ(whole.out.rfind("seeded 49 tiles (0 skipped, 0 refused), 1378125 bytes, in ", 0), 0u) << whole.out;

  std::string command;
  for (int part = 1; part <= 3; ++part) {
    command += std::string("'") + KXHOST_PATH + "' seed '" + image + "' --cache '" + path("three") + "'";
    for (const std::string& option : options) command += " " + option;
    command += " --part " + std::to_string(part) + "/3 >'" + path("part" + std::to_string(part)) + "' 2>&1 & ";
  }
  ASSERT_EQ(std::system((command + "wait").c_str()), 0);
  EXPECT_EQ(filesBelow(path("three")), filesBelow(path("one")));
  for (const auto& [name, bytes] : filesBelow(path("three"))) EXPECT_EQ(name.find(".tmp"), std::string::npos) << name;
  // Overlapping parts would each write some tiles twice over.
  int written = 0;
  for (int part = 1; part <= 3; ++part) {
    const std::string out = ReadFileBytes(path("part" + std::to_string(part)));
    ASSERT_EQ(out.rfind("seeded ", 0), 0u) << out;
    written += std::stoi(out.substr(7));
  }
  EXPECT_EQ(written, 49);
}

// A resumed seed that decoded tiles already on disk, or counted a tile the
// cache would not write as written.
TEST_F(KxhostSeed, CountsWhatItWroteSkippedAndTheCacheRefused) {
  const std::string image = sample("image.tif", 1, "u8", "300x200");
  const std::vector<std::string> seed = {"seed", image, "--cache-tile", "128x128"};
  const std::pair<std::vector<std::string>, const char*> runs[] = {
      {{"--cache", path("cache")}, "seeded 6 tiles (0 skipped, 0 refused), 60000 bytes"},
      {{"--cache", path("cache")}, "seeded 0 tiles (6 skipped, 0 refused), 0 bytes"},
      {{"--cache", path("cache"), "--levels", "0-1"}, "seeded 2 tiles (6 skipped, 0 refused), 15000 bytes"},
      {{"--cache", path("other"), "--tile-ratio", "0.5"}, "seeded 0 tiles (0 skipped, 6 refused), 0 bytes"},
  };
  for (const auto& [options, summary] : runs) {
    const KxhostRun run = RunKxhost(with(seed, options));
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out.rfind(summary, 0), 0u) << run.out;
  }
}

TEST_F(KxhostSeed, BadInputEndsInOneErrorLine) {
  const std::string image = sample("image.tif", 3, "u8", "64x48");
  const std::vector<std::string> seed = {"seed", image, "--cache", path("cache")};
  const std::pair<std::vector<std::string>, const char*> cases[] = {
      {with(seed, {"--part", "0/3"}), "--part must be I/N"},
      {with(seed, {"--part", "4/3"}), "--part must be I/N"},
      {with(seed, {"--part", "3"}), "--part must be I/N"},
      {with(seed, {"--levels", "3-1"}), "--levels must be A-B"},
      {with(seed, {"--levels", "33"}), "--levels must be A-B"},
      {with(seed, {"--levels", "-2"}), "--levels must be A-B"},
      {{"seed", image}, "seed needs --cache DIR"},
      {{"seed", "--cache", path("cache")}, "usage: kxhost seed IMAGE"},
      {with(seed, {"--scene", "0,0,8,8"}), "option --scene does not apply to seed"},
      {with(seed, {"-o", path("out.tif")}), "option --output does not apply to seed"},
      {with(seed, {"--mag", "0.5"}), "option --mag does not apply to seed"},
      {with(seed, {"--map-rect", "0,0,1,1"}), "option --map-rect does not apply to seed"},
      {with(seed, {"--bands", "4"}), "band 4 is out of range"},
      {{"seed", sample("big.tif", 1, "u8", "3000x3000"), "--cache", path("cache"), "--cache-tile", "1x1"},
       "more than a seed plans at once"},
      {{"seed", path("missing.tif"), "--cache", path("cache")}, "No such file or directory"},
  };
  for (const auto& [arguments, message] : cases) {
    SCOPED_TRACE(message);
    ExpectOneErrorLine(arguments, message);
  }
}

// Parts that overlap, miss a tile, or pile the large tiles on one worker.
TEST(KxhostSeedParts, EveryTileFallsInOnePartAndPartsBalancePixels) {
  const TileGridShape shape{1000, 700, 256, 200};
  const std::vector<PlannedTile> plan = PlanTiles(shape, 0, 3);
  ASSERT_EQ(plan.size(), CountPlannedTiles(shape, 0, 3));
  for (uint32_t parts : {1u, 2u, 3u, 7u, 40u}) {
    SCOPED_TRACE(parts);
    std::map<std::tuple<uint32_t, uint32_t, uint32_t>, int> seen;
    uint64_t least = UINT64_MAX, most = 0;
    for (uint32_t part = 1; part <= parts; ++part) {
      uint64_t pixels = 0;
      for (const PlannedTile& tile : TakePart(plan, part, parts)) {
        ++seen[{tile.level, tile.row, tile.column}];
        pixels += tile.pixels();
      }
      least = std::min(least, pixels);
      most = std::max(most, pixels);
    }
    EXPECT_EQ(seen.size(), plan.size());
    for (const auto& [tile, count] : seen) EXPECT_EQ(count, 1);
    if (parts < plan.size()) {
      EXPECT_LE(most - least, uint64_t{256} * 200);  // within one tile
    }
  }
}

}  // namespace
}  // namespace kxhost::testing
