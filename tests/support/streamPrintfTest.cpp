#include <gtest/gtest.h>

#include <string>

#include "support/kxIODynamicMemStream.h"
#include "support/kxStreamPrintf.h"

namespace Kelvane {
namespace {

TEST(StreamPrintfTest, WritesWholeTextsOfAnyLengthAndFailsOnARefusedWrite) {
  KxIODynamicMemStream stream;
  ASSERT_EQ(stream.initialize(16, 2.0f), 0u);
  ASSERT_EQ(stream.open(), 0u);
  const std::string text(5000, 'k');
  EXPECT_EQ(streamPrintf(&stream, "%s", text.c_str()), 5000);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(stream.data()), stream.size()), text);
  // Around the first buffer's size: 1022 characters fit it, 1023 need the next.
  for (int length : {1022, 1023, 1024}) EXPECT_EQ(streamPrintf(&stream, "%0*d", length, 7), length);
  EXPECT_EQ(stream.size(), 5000u + 1022 + 1023 + 1024);
  EXPECT_EQ(streamPrintf(&stream, "%s", ""), 0);
  // A closed stream takes nothing.
  ASSERT_EQ(stream.close(), 0u);
  EXPECT_EQ(streamPrintf(&stream, "refused %d", 1), -1);
  EXPECT_EQ(streamPrintf(nullptr, "x"), -1);
}

}  // namespace
}  // namespace Kelvane
