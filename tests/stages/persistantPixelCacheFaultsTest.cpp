// Disk faults never fail a decode: the pixels come from the upstream source,
// the failure is logged, and nothing partial stays on disk.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <fstream>
#include <string>

#include "stages/persistantPixelCacheChain.h"
#include "support/supportTestDir.h"

namespace Kelvane {
namespace {

using Fakes::FakeUpstreamConfig;
using Fakes::OwnedDecodeBuffer;

FakeUpstreamConfig Source() {
  FakeUpstreamConfig config;
  config.width = 300;
  config.height = 200;
  return config;
}

// Decodes the whole image; true when it succeeds with exactly the source's pixels.
bool DecodesExactly(const CacheChain& chain) {
  OwnedDecodeBuffer buffer = chain.Buffer(Fakes::MakeScene(0, 0, 300, 200));
  return chain.Decode(buffer) == S_OK && chain.source()->FirstMismatch(buffer.record()).empty();
}

TEST(PersistantPixelCacheFaults, AnUncreatableDirectoryOnlyCostsTheWrites) {
  SupportTestDir dir;
  std::ofstream(dir / "blocker") << "a file where the cache wants a directory";
  CacheChain chain(Source(), dir / "blocker/cache");
  ASSERT_EQ(chain.settings()->SetTileSize(100, 100), S_OK);
  EXPECT_TRUE(DecodesExactly(chain));
  EXPECT_TRUE(chain.logger()->containsFragment(3, "failed creating directory " + (dir / "blocker/cache/-0.000000/0")));
  EXPECT_TRUE(chain.logger()->containsFragment(3, "KxvPersistantPixelCache::splitAndCache: error writing file " +
                                                      (dir / "blocker/cache/-0.000000/0/r0.c0.w100.h100")));
  EXPECT_EQ(chain.Statistics(), "totalTiles: 6, numCuts: 1/1, cacheReads: 0 cacheWrites: 0");
  EXPECT_EQ(FilesBelow(dir.path()), std::vector<std::string>{"blocker"});
}

// A full disk, as a file size limit in a child process.
TEST(PersistantPixelCacheFaults, AFullDiskOnlyCostsTheWrites) {
  SupportTestDir dir;
  EXPECT_TRUE(SucceedsInChildProcess([&] {
    signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{1000, 1000};
    setrlimit(RLIMIT_FSIZE, &limit);
    CacheChain chain(Source(), dir.path());
    chain.settings()->SetTileSize(100, 100);
    return DecodesExactly(chain) && chain.logger()->containsFragment(3, "tried to write 30000 bytes, only wrote") &&
           chain.Statistics() == "totalTiles: 6, numCuts: 1/1, cacheReads: 0 cacheWrites: 0";
  }));
  EXPECT_TRUE(FilesBelow(dir.path()).empty());
}

}  // namespace
}  // namespace Kelvane
