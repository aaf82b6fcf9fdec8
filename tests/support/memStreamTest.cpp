#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "kelvane/kx_status.h"
#include "support/kxIODynamicMemStream.h"

namespace Kelvane {
namespace {

std::string contentsOf(const KxIODynamicMemStream& stream) {
  return std::string(reinterpret_cast<const char*>(stream.data()), stream.size());
}

class MemStreamTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(stream_.initialize(8, 2.0f), KX_STATUS_SUCCESS);
    ASSERT_EQ(stream_.open(), KX_STATUS_SUCCESS);
  }
  KxIODynamicMemStream stream_;
};

TEST_F(MemStreamTest, ShortReadSetsEndOfStreamAndReopeningRewinds) {
  ASSERT_EQ(stream_.write("0123456789", 10), 10u);
  ASSERT_EQ(stream_.seek(6, KX_SEEK_BEGIN), KX_STATUS_SUCCESS);
  char buffer[10];
  EXPECT_EQ(stream_.read(buffer, 10), 4u);
  EXPECT_TRUE(stream_.isEOF());
  EXPECT_EQ(stream_.read(buffer, 10), 0u);
  // Closing keeps the data; a read that ends exactly at the end is no end-of-stream.
  ASSERT_EQ(stream_.close(), KX_STATUS_SUCCESS);
  ASSERT_EQ(stream_.open(), KX_STATUS_SUCCESS);
  EXPECT_EQ(stream_.read(buffer, 10), 10u);
  EXPECT_EQ(std::string(buffer, 10), "0123456789");
  EXPECT_FALSE(stream_.isEOF());
}

TEST_F(MemStreamTest, WritingPastTheEndZeroFillsTheGap) {
  ASSERT_EQ(stream_.write("abc", 3), 3u);
  ASSERT_EQ(stream_.seek(100, KX_SEEK_END), KX_STATUS_SUCCESS);
  EXPECT_EQ(stream_.size(), 3u);
  ASSERT_EQ(stream_.write("z", 1), 1u);
  EXPECT_EQ(contentsOf(stream_), "abc" + std::string(100, '\0') + "z");
  // Reading from beyond the data snaps the position back to its end.
  ASSERT_EQ(stream_.seek(50, KX_SEEK_END), KX_STATUS_SUCCESS);
  char byte;
  EXPECT_EQ(stream_.read(&byte, 1), 0u);
  EXPECT_EQ(stream_.tell(), 104);
}

TEST_F(MemStreamTest, PositionsOutsideTheStreamAreRefused) {
  ASSERT_EQ(stream_.write("abcd", 4), 4u);
  EXPECT_EQ(stream_.seek(-5, KX_SEEK_CURRENT), KX_STATUS_FAILURE);
  EXPECT_EQ(stream_.seek(int64_t{1} << 32, KX_SEEK_BEGIN), KX_STATUS_BAD_ARGUMENT);
  ASSERT_EQ(stream_.seek(0x7FFFFFF0, KX_SEEK_BEGIN), KX_STATUS_SUCCESS);
  EXPECT_EQ(stream_.seek(0x7FFFFFF0, KX_SEEK_CURRENT), KX_STATUS_FAILURE);
  EXPECT_EQ(stream_.tell(), 0x7FFFFFF0);
  // A write that would end past the largest stream fails without touching the data.
  EXPECT_EQ(stream_.write("0123456789abcdefg", 17), 0u);
  EXPECT_EQ(stream_.getLastError(), KX_STATUS_BLOCK_ALLOCATION);
  EXPECT_EQ(contentsOf(stream_), "abcd");
}

void* plainAllocate(size_t size) { return std::malloc(size); }
void plainFree(void* block) { std::free(block); }

TEST(MemStreamSetupTest, GrowthFactorAndMemoryFunctionsAreChecked) {
  KxIODynamicMemStream stream;
  ASSERT_EQ(stream.initialize(2, &plainAllocate, nullptr, nullptr, 2.0f), KX_STATUS_BAD_ARGUMENT);
  ASSERT_EQ(stream.initialize(2, &plainAllocate, &plainFree, nullptr, 2.0f), KX_STATUS_SUCCESS);
  EXPECT_EQ(stream.initialize(2, 2.5f), KX_STATUS_BAD_ARGUMENT);
  EXPECT_EQ(stream.initialize(2, 1.0f), KX_STATUS_BAD_ARGUMENT);
  ASSERT_EQ(stream.open(), KX_STATUS_SUCCESS);
  EXPECT_EQ(stream.initialize(2, 2.0f), KX_STATUS_WRONG_STREAM_STATE);
  // Without a reallocate function, growing moves the data to a new block.
  const std::string text = "grows from two bytes to many more";
  ASSERT_EQ(stream.write(text.data(), static_cast<uint32_t>(text.size())), text.size());
  EXPECT_EQ(contentsOf(stream), text);
}

}  // namespace
}  // namespace Kelvane
