// Many decoders on one cache directory: threads on one stage, two stages,
// and two processes. Every result is exact and every tile file is whole.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "stages/persistantPixelCacheChain.h"
#include "support/supportTestDir.h"

namespace Kelvane {
namespace {

using Fakes::FakeUpstreamConfig;
using Fakes::OwnedDecodeBuffer;

constexpr int kDecodesPerWorker = 24;

FakeUpstreamConfig Source() {
  FakeUpstreamConfig config;
  config.width = 640;
  config.height = 480;
  return config;
}

CacheChain* NewChain(const std::string& directory) {
  CacheChain* chain = new CacheChain(Source(), directory, 0);
  EXPECT_EQ(chain->settings()->SetTileSize(64, 48), S_OK);
  return chain;
}

// Decodes random overlapping scenes, some reaching outside the image; gives
// the number of results that differ from the upstream's own.
int DecodeRandomScenes(const CacheChain& chain, unsigned seed) {
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> x(-30, 600);
  std::uniform_int_distribution<int> y(-30, 450);
  std::uniform_int_distribution<int> extent(1, 200);
  int wrong = 0;
  for (int i = 0; i < kDecodesPerWorker; ++i) {
    OwnedDecodeBuffer buffer = chain.Buffer(Fakes::MakeScene(x(random), y(random), extent(random), extent(random)));
    if (chain.Decode(buffer) != S_OK || !chain.source()->FirstMismatch(buffer.record()).empty() ||
        !buffer.guardIntact()) {
      ++wrong;
    }
  }
  return wrong;
}

// Runs `workers` threads over the chains in turn.
int DecodeInThreads(const std::vector<CacheChain*>& chains, int workers, unsigned seed) {
  std::atomic<int> wrong{0};
  std::vector<std::thread> threads;
  for (int w = 0; w < workers; ++w) {
    threads.emplace_back([&, w] { wrong += DecodeRandomScenes(*chains[w % chains.size()], seed + w); });
  }
  for (std::thread& thread : threads) thread.join();
  return wrong;
}

// Every file is a whole tile (its size is what its name says); nothing else is left.
void ExpectOnlyWholeTiles(const std::string& directory) {
  const std::vector<std::string> files = FilesBelow(directory);
  EXPECT_FALSE(files.empty());
  for (const std::string& file : files) {
    int row = 0;
    int column = 0;
    int width = 0;
    int height = 0;
    const std::string name = std::filesystem::path(file).filename().string();
    ASSERT_EQ(std::sscanf(name.c_str(), "r%d.c%d.w%d.h%d.c1.bps8.smp0.bip.raw", &row, &column, &width, &height), 4)
        << file;
    EXPECT_EQ(name.substr(name.size() - 8), ".bip.raw") << file;
    EXPECT_EQ(std::filesystem::file_size(std::filesystem::path(directory) / file), uint64_t(width) * height * 3)
        << file;
  }
}

// A fresh stage over the directory reads back exactly what was decoded.
void ExpectCachedImageExact(const std::string& directory) {
  std::unique_ptr<CacheChain> reader(NewChain(directory));
  OwnedDecodeBuffer whole = reader->Buffer(Fakes::MakeScene(0, 0, 640, 480));
  ASSERT_EQ(reader->Decode(whole), S_OK);
  EXPECT_EQ(reader->source()->FirstMismatch(whole.record()), "");
}

TEST(PersistantPixelCacheConcurrency, EightThreadsOnOneStage) {
  SupportTestDir dir;
  std::unique_ptr<CacheChain> chain(NewChain(dir.path()));
  EXPECT_EQ(DecodeInThreads({chain.get()}, 8, 100), 0);
  ExpectOnlyWholeTiles(dir.path());
  ExpectCachedImageExact(dir.path());
}

TEST(PersistantPixelCacheConcurrency, TwoStagesAndTwoProcessesShareOneDirectory) {
  SupportTestDir dir;
  // Another process decodes alongside, with its own stage.
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    CacheChain* other = NewChain(dir.path());
    const int wrong = DecodeInThreads({other}, 2, 300);
    delete other;
    _exit(wrong == 0 ? 0 : 1);
  }
  std::unique_ptr<CacheChain> first(NewChain(dir.path()));
  std::unique_ptr<CacheChain> second(NewChain(dir.path()));
  EXPECT_EQ(DecodeInThreads({first.get(), second.get()}, 8, 200), 0);
  int childStatus = -1;
  ASSERT_EQ(waitpid(child, &childStatus, 0), child);
  EXPECT_TRUE(WIFEXITED(childStatus) && WEXITSTATUS(childStatus) == 0);
  ExpectOnlyWholeTiles(dir.path());
  ExpectCachedImageExact(dir.path());
}

}  // namespace
}  // namespace Kelvane
