// Paths held as UTF-8 with lazily made converted forms, and the text
// conversions those forms come from.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "support/kxPathString.h"
#include "support/kxTextConversion.h"

namespace Kelvane {
namespace {

std::string text(const PathString& path) { return path.utf8() != nullptr ? path.utf8() : "<empty>"; }

TEST(PathStringParts, JoinsParentsAndAbsolutePaths) {
  // Joining strips trailing separators and inserts one slash; an empty component leaves one at the end.
  EXPECT_EQ(text(PathString(PathString("/tmp/cache\\/\\"), "-0.000000", "0")), "/tmp/cache/-0.000000/0");
  EXPECT_EQ(text(PathString(PathString("C:\\cache\\"), "1.000000")), "C:\\cache/1.000000");
  EXPECT_EQ(text(PathString(PathString("/tmp/cache//"), "")), "/tmp/cache/");
  EXPECT_EQ(text(PathString(PathString(), "")), "/");
  const std::vector<std::pair<std::string, std::string>> parents = {
      {"/a/b.raw", "/a"}, {"/a", "/"},      {"a.raw", "."}, {"/", "/"},     {"a/b/", "a"},
      {"/a/b//", "/a"},   {"\\a", "\\"},    {"", "."},      {"a//b", "a/"}, {"C:\\a\\b.raw", "C:\\a"},
      {"C:\\a", "C:\\"},  {"C:\\", "C:\\"},
  };
  for (const auto& [path, parent] : parents) EXPECT_EQ(text(PathString(path.c_str()).parent()), parent) << path;
  for (const char* path : {"/x", "//server/x", "\\\\server\\x", "C:\\x", "z:/x"}) {
    EXPECT_TRUE(PathString(path).isAbsolute()) << path;
  }
  for (const char* path : {"x", "\\x", "C:x", "1:\\x", ""}) EXPECT_FALSE(PathString(path).isAbsolute()) << path;
}

TEST(PathStringEncodings, IllFormedTextsHaveNoConvertedForm) {
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

TEST(PathStringConcurrency, FirstRequestsAllSeeOneInstalledForm) {
  constexpr int kThreads = 8;
  for (int round = 0; round < 20; ++round) {
    const PathString path(("/tmp/cache/" + std::to_string(round) + "/r0.c0.raw").c_str());
    std::atomic<int> ready{0};
    std::vector<std::pair<const char16_t*, const char*>> seen(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
      threads.emplace_back([&, t] {
        for (++ready; ready.load() < kThreads;) std::this_thread::yield();
        seen[t] = {path.utf16(), path.ansi()};
      });
    }
    for (std::thread& thread : threads) thread.join();
    for (const auto& forms : seen) ASSERT_EQ(forms, seen[0]);
    EXPECT_STREQ(seen[0].second, path.utf8());
  }
}

TEST(TextConversionRoundTrip, WellFormedTextsRoundTripAndIllegalSequencesGiveNoText) {
  const char* utf8 = "a\xC3\xA9\xE2\x82\xAC\xEF\xBF\xBD\xF0\x9F\x98\x80\xF4\x8F\xBF\xBF";
  const std::u16string utf16 = u"a\u00E9\u20AC\uFFFD\U0001F600\U0010FFFF";
  KxTextError error = KxTextError::kIllFormed;
  EXPECT_EQ(std::u16string(utf8ToUtf16(utf8, &error).get()), utf16);
  EXPECT_EQ(error, KxTextError::kNone);
  EXPECT_STREQ(utf16ToUtf8(utf16.c_str()).get(), utf8);
  EXPECT_STREQ(ansiToUtf8(utf8).get(), utf8);
  EXPECT_STREQ(utf8ToAnsi("").get(), "");
  // Stray, overlong, surrogate, out-of-range and cut-off sequences.
  for (const char* bad : {"ok\x80", "\xC0\xAF", "\xC1\xBF", "\xE0\x9F\xBF", "\xED\xA0\x80", "\xF0\x8F\xBF\xBF",
                          "\xF4\x90\x80\x80", "\xF5\x80\x80\x80", "\xE2\x82", "\xF0\x9F\x98", "\xFF"}) {
    error = KxTextError::kNone;
    EXPECT_EQ(utf8ToUtf16(bad, &error), nullptr) << bad;
    EXPECT_EQ(error, KxTextError::kIllFormed);
    EXPECT_EQ(utf8ToAnsi(bad), nullptr);
  }
  const char16_t loneHigh[] = {u'a', 0xD83D, u'b', 0}, loneLow[] = {0xDE00, 0}, highAtEnd[] = {u'a', 0xD83D, 0};
  for (const char16_t* bad : {loneHigh, loneLow, highAtEnd}) EXPECT_EQ(utf16ToUtf8(bad), nullptr);
  EXPECT_EQ(utf8ToUtf16(nullptr), nullptr);
}

}  // namespace
}  // namespace Kelvane
