// kxhost cache-prune against caches that renders filled: it removes the
// least recently used tiles (by the later of access and modification time)
// until the rest fit, the tiles unused for longer than an age, and stale
// temporary files, never a cache's description; --dry-run removes nothing;
// a render running beside prunes keeps its pixels exact; bad input ends in
// one error line. cache-stats sums each level over the caches.
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "kxhostTestSupport.h"

namespace kxhost::testing {
namespace {

namespace fs = std::filesystem;

constexpr time_t kHour = 3600;

// Sets a file's access and modification times to so many seconds ago.
void setTimes(const std::string& path, time_t accessedAgo, time_t modifiedAgo) {
  const struct timespec times[2] = {{std::time(nullptr) - accessedAgo, 0}, {std::time(nullptr) - modifiedAgo, 0}};
  ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW), 0) << path;
}

// Files below `directory` whose names end in `end`, with their sizes.
std::map<std::string, uint64_t> filesEndingIn(const std::string& directory, const std::string& end) {
  std::map<std::string, uint64_t> files;
  for (const auto& entry : fs::recursive_directory_iterator(directory)) {
    const std::string name = entry.path().string();
    if (entry.is_regular_file() && name.size() > end.size() &&
        name.compare(name.size() - end.size(), end.size(), end) == 0)
      files[name] = entry.file_size();
  }
  return files;
}

class KxhostCachePrune : public KxhostTest {
 protected:
  // Renders a 300 x 200 image through a cache of 64 x 64 tiles: 20 tiles.
  void fillCache() {
    image_ = sample("image.tif", 3, "u8", "300x200");
    const KxhostRun run =
        RunKxhost({"render", image_, "-o", path("out.tif"), "--cache", cache(), "--cache-tile", "64x64"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    tiles_ = filesEndingIn(cache(), ".raw");
    ASSERT_EQ(tiles_.size(), 20u);
  }
  // Gives the tiles distinct times, an hour apart, in an order unlike their
  // names'; the one made longest ago was read a minute ago, so it is the
  // most recently used. Returns the tiles least recently used first.
  std::vector<std::string> ageTiles() {
    std::vector<std::string> order;
    for (const auto& tile : tiles_) order.push_back(tile.first);
    std::reverse(order.begin(), order.end());
    std::rotate(order.begin(), order.begin() + 7, order.end());
    for (size_t i = 0; i < order.size(); ++i) {
      const time_t ago = static_cast<time_t>(order.size() - i) * kHour + 1800;
      setTimes(order[i], ago, ago);
    }
    setTimes(order.front(), 60, 30 * kHour);
    std::rotate(order.begin(), order.begin() + 1, order.end());
    return order;
  }
  KxhostRun prune(std::vector<std::string> options) {
    options.insert(options.begin(), {"cache-prune", path("cache")});
    return RunKxhost(options);
  }
  std::string cache() const { return path("cache"); }

  std::string image_;
  std::map<std::string, uint64_t> tiles_;
};

struct LimitCase {
  const char* name;  // the fault it catches
  std::vector<std::string> options;
  uint64_t maxBytes;  // 0: none
  size_t oldTiles;    // removed for their age, least recently used first
};

// Each prune removes a prefix of the tiles least recently used first: those
// over the age, then as few more as bring the rest within the size. A dry
// run first names exactly those and removes nothing.
TEST_F(KxhostCachePrune, RemovesLeastRecentlyUsedTilesUntilTheRestFit) {
  const LimitCase cases[] = {
      {"SizeOverrunOrNewestRemoved", {"--max-size", "100K"}, 100 * 1024, 0},
      {"AccessTimeIgnored", {"--max-size", "150000"}, 150000, 0},
      {"AgeCutWrong", {"--older-than", "750m"}, 0, 8},  // 12.5 hours: 20 - 12 tiles are older
      {"LimitsNotCombined", {"--older-than", "19h", "--max-size", "1M"}, 1 << 20, 1},
  };
  for (const LimitCase& c : cases) {
    SCOPED_TRACE(c.name);
    directory_ = FreshTestDirectory();
    fillCache();
    const std::vector<std::string> order = ageTiles();
    std::vector<std::string> dryOptions = c.options;
    dryOptions.push_back("--dry-run");
    const KxhostRun dry = prune(dryOptions);
    ASSERT_EQ(dry.exitCode, 0) << dry.err;
    EXPECT_EQ(filesEndingIn(cache(), ".raw"), tiles_) << "a dry run removed tiles";
    const KxhostRun run = prune(c.options);
    ASSERT_EQ(run.exitCode, 0) << run.err;

    const std::map<std::string, uint64_t> kept = filesEndingIn(cache(), ".raw");
    size_t removed = 0;
    while (removed < order.size() && kept.count(order[removed]) == 0) ++removed;
    uint64_t keptBytes = 0;
    for (size_t i = removed; i < order.size(); ++i) {
      EXPECT_EQ(kept.count(order[i]), 1u) << "kept out of order: " << order[i];
      keptBytes += tiles_[order[i]];
    }
    EXPECT_GE(removed, c.oldTiles);
    // Within the size, and not one tile more than the limits ask for.
    if (c.maxBytes != 0) {
      EXPECT_LE(keptBytes, c.maxBytes);
    }
    EXPECT_TRUE(removed == c.oldTiles || (c.maxBytes != 0 && keptBytes + tiles_[order[removed - 1]] > c.maxBytes))
        << removed;
    for (size_t i = 0; i < removed; ++i) EXPECT_NE(dry.out.find("would remove " + order[i] + " ("), std::string::npos);
    EXPECT_NE(run.out.find("removed " + std::to_string(removed) + " tiles and 0 temporary files"), std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find(std::to_string(keptBytes) + " bytes of tiles kept"), std::string::npos) << run.out;
    EXPECT_NE(dry.out.find("would remove " + std::to_string(removed) + " tiles"), std::string::npos) << dry.out;
  }
}

// Temporary files left by a writer that died go once stale, never one a
// writer may still be filling; nor anything but tiles and temporary files
// in a cache's rows; directories quiet for an hour and emptied go, and the
// next render makes them again.
TEST_F(KxhostCachePrune, RemovesStaleTemporaryFilesAndEmptiedDirectoriesOnly) {
  fillCache();
  const std::string row = fs::path(tiles_.begin()->first).parent_path().string();
  const std::string level = fs::path(row).parent_path().string();
  const std::string tileCache = fs::path(level).parent_path().string();
  const std::string stale = row + "/r0.c0.raw.123.1.tmp", fresh = row + "/r0.c1.raw.123.2.tmp";
  const std::string outside = tileCache + "/cache.description.123.3.tmp";
  for (const std::string& file : {stale, fresh, outside}) std::ofstream(file) << "partial";
  setTimes(stale, 2 * kHour, 2 * kHour);
  setTimes(outside, 2 * kHour, 2 * kHour);
  setTimes(fresh, 50 * 60, 50 * 60);

  KxhostRun run = prune({"--older-than", "1000d"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_NE(run.out.find("removed 0 tiles and 1 temporary files, freed 7 bytes"), std::string::npos) << run.out;
  EXPECT_FALSE(fs::exists(stale));
  EXPECT_TRUE(fs::exists(fresh) && fs::exists(outside));

  // Every tile goes; the directories a writer touched lately stay, quiet ones go.
  fs::remove(fresh);
  for (const auto& entry : fs::recursive_directory_iterator(level))
    if (entry.is_directory()) setTimes(entry.path().string(), 2 * kHour, 2 * kHour);
  setTimes(level, 2 * kHour, 2 * kHour);
  run = prune({"--max-size", "0"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_FALSE(fs::exists(level));
  EXPECT_TRUE(fs::exists(tileCache + "/cache.description") && fs::exists(outside));
  EXPECT_EQ(filesEndingIn(cache(), "source.txt").size(), 1u);
  run = RunKxhost({"render", image_, "-o", path("again.tif"), "--cache", cache(), "--cache-tile", "64x64"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(ReadWholeImage(path("again.tif")).samples, ReadWholeImage(path("out.tif")).samples);
  EXPECT_EQ(filesEndingIn(cache(), ".raw"), tiles_);
}

// Renders through the cache while prunes empty it from another process:
// each render's pixels are those of a render without the cache.
TEST_F(KxhostCachePrune, RenderBesidePrunesKeepsItsPixels) {
  fillCache();
  const std::string stop = path("stop");
  const std::string loop = "n=0; while [ ! -e '" + stop + "' ] && [ $n -lt 2000 ]; do n=$((n+1)); '" +
                           std::string(KXHOST_PATH) + "' cache-prune '" + cache() +
                           "' --max-size 20K >/dev/null || exit 1; done; echo $n >'" + path("prunes") + "'";
  std::atomic<int> pruned{-1};
  std::thread pruner([&] { pruned = std::system(loop.c_str()); });
  const std::vector<double> want = ReadWholeImage(path("out.tif")).samples;
  for (int render = 0; render < 4; ++render) {
    const KxhostRun run = RunKxhost({"render", image_, "-o", path("cached.tif"), "--cache", cache(), "--cache-tile",
                                     "64x64", "--tile", "50", "--threads", "2"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(ReadWholeImage(path("cached.tif")).samples, want) << "render " << render;
  }
  std::ofstream(stop) << "";
  pruner.join();
  EXPECT_EQ(pruned, 0);
  EXPECT_GT(std::stoi("0" + ReadFileBytes(path("prunes"))), 4) << "too few prunes ran beside the renders";
}

TEST_F(KxhostCachePrune, CacheStatsSumsEachLevelOverTheCaches) {
  const std::string image = sample("image.tif", 3, "u8", "300x200");
  for (const auto& [tile, mag] :
       {std::pair<const char*, const char*>{"128x128", "1"}, {"64x128", "1"}, {"128x128", "0.5"}}) {
    const KxhostRun run = RunKxhost(
        {"render", image, "-o", path("out.tif"), "--cache", path("cache"), "--cache-tile", tile, "--mag", mag});
    ASSERT_EQ(run.exitCode, 0) << run.err;
  }
  const KxhostRun stats = RunKxhost({"cache-stats", path("cache")});
  ASSERT_EQ(stats.exitCode, 0) << stats.err;
  std::map<std::string, unsigned long long> tiles;
  std::istringstream lines(stats.out);
  for (std::string line; std::getline(lines, line);) {
    char level[32] = {};
    unsigned long long count = 0;
    if (std::sscanf(line.c_str(), "all caches level %31s magnification %*g %llu tiles", level, &count) == 2)
      tiles[level] = count;
  }
  // 3 x 2 tiles of 128 and 5 x 2 of 64 x 128 at magnification 1; 2 x 1 of 128 at 0.5.
  EXPECT_EQ(tiles, (std::map<std::string, unsigned long long>{{"-0.000000", 16}, {"1.000000", 2}})) << stats.out;
}

TEST_F(KxhostCachePrune, BadInputEndsInOneErrorLine) {
  const std::string directory = path("cache");
  fs::create_directories(directory);
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{"cache-prune", directory}, "needs --max-size SIZE or --older-than AGE"},
      {{"cache-prune", directory, "--max-size", "5X"}, "--max-size must be"},
      {{"cache-prune", directory, "--max-size", "99999999999T"}, "--max-size must be"},
      {{"cache-prune", directory, "--older-than", "30"}, "--older-than must be"},
      {{"cache-prune", path("missing"), "--older-than", "1d"}, "is not a directory"},
      {{"cache-prune", "--max-size", "1G"}, "usage: kxhost cache-prune DIR"},
  };
  for (const auto& [arguments, message] : cases) ExpectOneErrorLine(arguments, message);
}

}  // namespace
}  // namespace kxhost::testing
