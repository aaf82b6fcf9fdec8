// Outputs written at once to one path, from threads of one process: each
// writer has a temporary file of its own, so every commit succeeds and the
// file is one writer's whole text.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "hostChain/cacheKey.h"
#include "hostChain/outputFile.h"
#include "tools/kxhost/kxhostTestSupport.h"

namespace kxhost::testing {
namespace {

TEST(OutputFile, TwoWritersOfOnePathInOneProcessShareNoTemporaryFile) {
  const std::string path = FreshTestDirectory() + "/out.txt";
  OutputFile first(path);
  OutputFile second(path);
  ASSERT_NE(first.temporaryPath(), second.temporaryPath());
  std::ofstream(first.temporaryPath()) << "first";
  std::ofstream(second.temporaryPath()) << "second";
  std::string error;
  EXPECT_TRUE(first.commit(&error)) << error;
  EXPECT_TRUE(second.commit(&error)) << error;
  EXPECT_EQ(ReadFileBytes(path), "second");
}

TEST(CacheKey, ThreadsDescribingOneSourceDirectoryAtOnceAllSucceed) {
  const std::string root = FreshTestDirectory();
  SourceIdentity source;
  source.canonicalPath = "/images/scene.tif";
  source.size = 1234;
  source.resampling = "average";
  // Enough rounds that writers overlap between one's write and its rename.
  constexpr int kThreads = 8;
  constexpr int kRounds = 50;
  std::vector<std::string> errors(kThreads);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      for (int round = 0; round < kRounds && errors[t].empty(); ++round) {
        if (!DescribeSourceDirectory(root, source, &errors[t]) && errors[t].empty()) errors[t] = "failed";
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  for (const std::string& error : errors) EXPECT_EQ(error, "");
  EXPECT_EQ(ReadFileBytes(root + "/" + SourceDirectoryName(source) + "/source.txt"), SourceText(source));
}

}  // namespace
}  // namespace kxhost::testing
