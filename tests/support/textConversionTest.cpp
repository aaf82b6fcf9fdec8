#include <gtest/gtest.h>

#include <string>

#include "support/kxTextConversion.h"

namespace Kelvane {
namespace {

TEST(TextConversionTest, WellFormedTextsRoundTrip) {
  const char* utf8 = "a\xC3\xA9\xE2\x82\xAC\xEF\xBF\xBD\xF0\x9F\x98\x80\xF4\x8F\xBF\xBF";
  const std::u16string utf16 = u"a\u00E9\u20AC\uFFFD\U0001F600\U0010FFFF";
  KxTextError error = KxTextError::kIllFormed;
  EXPECT_EQ(std::u16string(utf8ToUtf16(utf8, &error).get()), utf16);
  EXPECT_EQ(error, KxTextError::kNone);
  EXPECT_STREQ(utf16ToUtf8(utf16.c_str()).get(), utf8);
  EXPECT_STREQ(ansiToUtf8(utf8).get(), utf8);
  EXPECT_STREQ(utf8ToAnsi("").get(), "");
}

TEST(TextConversionTest, IllegalSequencesGiveNoText) {
  for (const char* bad : {"ok\x80", "\xC0\xAF", "\xC1\xBF", "\xE0\x9F\xBF", "\xED\xA0\x80", "\xF0\x8F\xBF\xBF",
                          "\xF4\x90\x80\x80", "\xF5\x80\x80\x80", "\xE2\x82", "\xF0\x9F\x98", "\xFF"}) {
    KxTextError error = KxTextError::kNone;
    EXPECT_EQ(utf8ToUtf16(bad, &error), nullptr) << bad;
    EXPECT_EQ(error, KxTextError::kIllFormed);
    EXPECT_EQ(utf8ToAnsi(bad), nullptr);
  }
  const char16_t loneHigh[] = {u'a', 0xD83D, u'b', 0};
  const char16_t loneLow[] = {0xDE00, 0};
  const char16_t highAtEnd[] = {u'a', 0xD83D, 0};
  for (const char16_t* bad : {loneHigh, loneLow, highAtEnd}) EXPECT_EQ(utf16ToUtf8(bad), nullptr);
  EXPECT_EQ(utf8ToUtf16(nullptr), nullptr);
}

}  // namespace
}  // namespace Kelvane
