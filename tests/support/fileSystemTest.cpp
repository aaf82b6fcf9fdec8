// Directory creation, path validity and file status on the real file system.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "helpers/supportTestDir.h"
#include "kelvane/kx_status.h"
#include "support/kxFileSystem.h"

namespace Kelvane {
namespace {

namespace fs = std::filesystem;

TEST(DirectoryCreation, RecursiveCreationMakesEveryMissingAncestor) {
  SupportTestDir dir;
  fs::create_directory(dir / "cache");
  const PathString leaf(PathString((dir / "cache").c_str()), "-0.000000", "0");
  EXPECT_EQ(createDirectory(leaf, false), KX_STATUS_DIRECTORY);
  EXPECT_EQ(createDirectory(leaf, true), KX_STATUS_SUCCESS);
  EXPECT_TRUE(isDirectory(leaf));
  EXPECT_EQ(createDirectory(leaf, true), KX_STATUS_SUCCESS);
  // A file in the way is a failure.
  std::ofstream(dir / "file") << "x";
  EXPECT_EQ(createDirectory(PathString((dir / "file/sub").c_str()), true), KX_STATUS_DIRECTORY);
}

TEST(DirectoryCreation, InvalidPathsAreRefusedBeforeAnythingIsMade) {
  SupportTestDir dir;
  for (const char* tail : {"new/a|b", "new/a:b", "new/a*", "new/a?", "new/\"a\"", "new/<a>", "new/a\x1E", "new\xFF"}) {
    const PathString path((dir / tail).c_str());
    EXPECT_FALSE(isValidPath(path)) << tail;
    EXPECT_EQ(createDirectory(path, true), KX_STATUS_DIRECTORY) << tail;
    EXPECT_FALSE(fs::exists(dir / "new")) << tail;
  }
  EXPECT_FALSE(isValidPath(PathString()));
  EXPECT_TRUE(isValidPath(PathString("C:\\cache\\-0.000000")));
  EXPECT_TRUE(isValidPath(PathString("/tmp/caf\xC3\xA9/a\x1F")));
}

TEST(FileSystemConcurrency, CreatorsOfOneTreeAllSucceed) {
  SupportTestDir dir;
  const PathString leaf((dir / "a/b/c/d/e").c_str());
  std::vector<uint32_t> results(6, 99);
  std::vector<std::thread> threads;
  for (uint32_t& result : results) threads.emplace_back([&leaf, out = &result] { *out = createDirectory(leaf, true); });
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(results, std::vector<uint32_t>(6, KX_STATUS_SUCCESS));
}

TEST(FileStatusQueries, SizesErrorsAndSystemErrorTextsReachTheCaller) {
  SupportTestDir dir;
  std::ofstream(dir / "t.raw") << std::string(1234, 'x');
  FileStat stat;
  ASSERT_EQ(getFileStat(PathString((dir / "t.raw").c_str()), &stat), 0);
  EXPECT_EQ(stat.size(), 1234u);
  EXPECT_EQ(getFileStat(PathString((dir / "missing").c_str()), &stat), ENOENT);
  // Asking whether something is a directory leaves the error being reported alone.
  errno = EACCES;
  EXPECT_FALSE(isDirectory(PathString((dir / "missing").c_str())));
  EXPECT_EQ(errno, EACCES);
  // A system error text is cut to the buffer, which learns the full length.
  const std::string full = std::strerror(ENOENT);
  char buffer[6];
  uint32_t size = sizeof buffer;
  getSystemErrorText(ENOENT, buffer, &size);
  EXPECT_EQ(std::string(buffer), full.substr(0, 5));
  EXPECT_EQ(size, full.size() + 1);
}

}  // namespace
}  // namespace Kelvane
