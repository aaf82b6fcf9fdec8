#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "support/kxPathString.h"

namespace Kelvane {
namespace {

std::string text(const PathString& path) { return path.utf8() != nullptr ? path.utf8() : "<empty>"; }

TEST(PathStringTest, JoiningStripsTrailingSeparatorsAndInsertsOneSlash) {
  EXPECT_EQ(text(PathString(PathString("/tmp/cache\\/\\"), "-0.000000", "0")), "/tmp/cache/-0.000000/0");
  EXPECT_EQ(text(PathString(PathString("C:\\cache\\"), "1.000000")), "C:\\cache/1.000000");
  // An empty component leaves exactly one separator at the end; an empty base gives the root.
  EXPECT_EQ(text(PathString(PathString("/tmp/cache//"), "")), "/tmp/cache/");
  EXPECT_EQ(text(PathString(PathString(), "")), "/");
}

TEST(PathStringTest, ParentDirectory) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"/a/b.raw", "/a"}, {"/a", "/"},      {"a.raw", "."}, {"/", "/"},     {"a/b/", "a"},
      {"/a/b//", "/a"},   {"\\a", "\\"},    {"", "."},      {"a//b", "a/"}, {"C:\\a\\b.raw", "C:\\a"},
      {"C:\\a", "C:\\"},  {"C:\\", "C:\\"},
  };
  for (const auto& [path, parent] : cases) EXPECT_EQ(text(PathString(path.c_str()).parent()), parent) << path;
}

TEST(PathStringTest, AbsolutePaths) {
  for (const char* path : {"/x", "//server/x", "\\\\server\\x", "C:\\x", "z:/x"}) {
    EXPECT_TRUE(PathString(path).isAbsolute()) << path;
  }
  for (const char* path : {"x", "\\x", "C:x", "1:\\x", ""}) EXPECT_FALSE(PathString(path).isAbsolute()) << path;
}

TEST(PathStringTest, EncodingsOfWellFormedAndIllFormedTexts) {
  const PathString path("/tmp/caf\xC3\xA9/\xF0\x9F\x98\x80");
  EXPECT_EQ(std::u16string(path.utf16()), u"/tmp/caf\u00E9/\U0001F600");
  EXPECT_STREQ(path.ansi(), path.utf8());
  // No cut-off form of a text that is not UTF-8: it would name another file.
  const PathString broken("/tmp/cache/\xFF/tile.raw");
  EXPECT_EQ(broken.utf16(), nullptr);
  EXPECT_EQ(broken.ansi(), nullptr);
  // Converted from the narrow code page, such a text gives no path at all.
  EXPECT_TRUE(PathString(PathString("/tmp"), "\xC0\xAF", KxTextEncoding::kAnsi).empty());
  EXPECT_EQ(text(PathString(PathString("/tmp"), "caf\xC3\xA9", KxTextEncoding::kAnsi)), "/tmp/caf\xC3\xA9");
}

TEST(PathStringTest, ConcurrentFirstRequestsAllSeeOneInstalledForm) {
  constexpr int kThreads = 8;
  for (int round = 0; round < 20; ++round) {
    const PathString path(("/tmp/cache/" + std::to_string(round) + "/r0.c0.raw").c_str());
    std::atomic<int> ready{0};
    std::vector<const char16_t*> wide(kThreads);
    std::vector<const char*> narrow(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
      threads.emplace_back([&, t] {
        ++ready;
        while (ready.load() < kThreads) std::this_thread::yield();
        wide[t] = path.utf16();
        narrow[t] = path.ansi();
      });
    }
    for (std::thread& thread : threads) thread.join();
    for (int t = 0; t < kThreads; ++t) {
      ASSERT_EQ(wide[t], wide[0]);
      ASSERT_EQ(narrow[t], narrow[0]);
    }
    EXPECT_STREQ(narrow[0], path.utf8());
  }
}

}  // namespace
}  // namespace Kelvane
