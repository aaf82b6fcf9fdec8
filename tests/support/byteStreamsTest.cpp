// Byte streams over files and memory: the behaviour every KxIOStreamInf
// shares, run against each kind of stream, then what each kind adds, and
// formatted writes to a stream.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <memory>
#include <string>
#include <typeinfo>

#include "helpers/supportTestDir.h"
#include "kelvane/kx_status.h"
#include "support/kxIODynamicMemStream.h"
#include "support/kxIOFileStream.h"
#include "support/kxStreamPrintf.h"

namespace Kelvane {
namespace {

// Each maker gives an initialised, closed stream that can be written and read back.
struct FileStreamMaker {
  SupportTestDir dir;
  std::unique_ptr<KxIOStreamInf> make() {
    auto stream = std::make_unique<KxIOFileStream>();
    EXPECT_EQ(stream->initialize(PathString((dir / "stream.bin").c_str()), "w+b"), KX_STATUS_SUCCESS);
    return stream;
  }
};

struct MemStreamMaker {
  std::unique_ptr<KxIOStreamInf> make() {
    auto stream = std::make_unique<KxIODynamicMemStream>();
    EXPECT_EQ(stream->initialize(4, 1.5f), KX_STATUS_SUCCESS);
    return stream;
  }
};

template <typename Maker>
class StreamRoundTrip : public ::testing::Test {
 protected:
  std::string readAll() {
    std::string text(64, '\0');
    text.resize(stream_->read(text.data(), static_cast<uint32_t>(text.size())));
    return text;
  }
  Maker maker_;
  std::unique_ptr<KxIOStreamInf> stream_ = maker_.make();
};

using StreamKinds = ::testing::Types<FileStreamMaker, MemStreamMaker>;
TYPED_TEST_SUITE(StreamRoundTrip, StreamKinds);

TYPED_TEST(StreamRoundTrip, WritesReadBackAfterSeekingAndDuplicatesClosed) {
  KxIOStreamInf* stream = this->stream_.get();
  char byte = 'x';
  EXPECT_EQ(stream->write(&byte, 1), 0u);
  EXPECT_EQ(stream->tell(), -1);

  ASSERT_EQ(stream->open(), KX_STATUS_SUCCESS);
  EXPECT_EQ(stream->write("hello, tiles", 12), 12u);
  EXPECT_EQ(stream->tell(), 12);
  EXPECT_EQ(stream->seek(-5, KX_SEEK_END), KX_STATUS_SUCCESS);
  EXPECT_EQ(this->readAll(), "tiles");
  EXPECT_TRUE(stream->isEOF());
  // Seeking clears end-of-stream.
  EXPECT_EQ(stream->seek(7, KX_SEEK_BEGIN), KX_STATUS_SUCCESS);
  EXPECT_FALSE(stream->isEOF());
  EXPECT_EQ(stream->write("TILES", 5), 5u);
  EXPECT_EQ(stream->seek(-12, KX_SEEK_CURRENT), KX_STATUS_SUCCESS);
  EXPECT_EQ(this->readAll(), "hello, TILES");
  EXPECT_NE(stream->seek(0, 1), KX_STATUS_SUCCESS);
  EXPECT_NE(stream->seek(0, 5), KX_STATUS_SUCCESS);

  // A duplicate is a closed stream of the same kind with the same identifier.
  std::unique_ptr<KxIOStreamInf> copy(stream->duplicate());
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(typeid(*copy), typeid(*stream));
  EXPECT_FALSE(copy->isOpen());
  EXPECT_STREQ(copy->getID(), stream->getID());
  EXPECT_EQ(stream->close(), KX_STATUS_SUCCESS);
  EXPECT_EQ(stream->read(&byte, 1), 0u);
}

TEST(FileStreamSetup, InitialiseAndOpenRefuseWhatTheyCannotUse) {
  SupportTestDir dir;
  KxIOFileStream stream;
  EXPECT_EQ(stream.open(), KX_STATUS_NO_PATH_OR_MODE);
  EXPECT_EQ(stream.initialize(PathString(), "rb"), KX_STATUS_BAD_ARGUMENT);
  EXPECT_EQ(stream.initialize(PathString("/tmp/x"), nullptr), KX_STATUS_BAD_ARGUMENT);
  // A missing file fails with the platform's error number left for the log.
  ASSERT_EQ(stream.initialize(PathString((dir / "missing.raw").c_str()), "rb"), KX_STATUS_SUCCESS);
  errno = 0;
  EXPECT_EQ(stream.open(), KX_STATUS_FAILURE);
  EXPECT_EQ(errno, ENOENT);
  ASSERT_EQ(stream.initialize(PathString((dir / "bad\xFF.raw").c_str()), "wb"), KX_STATUS_SUCCESS);
  EXPECT_EQ(stream.open(), KX_STATUS_FAILURE);
  // A second open leaves the first one standing; initialising again closes it.
  ASSERT_EQ(stream.initialize(PathString((dir / "t.raw").c_str()), "wb"), KX_STATUS_SUCCESS);
  ASSERT_EQ(stream.open(), KX_STATUS_SUCCESS);
  EXPECT_EQ(stream.open(), KX_STATUS_WRONG_STREAM_STATE);
  EXPECT_TRUE(stream.isOpen());
  ASSERT_EQ(stream.initialize(PathString((dir / "u.raw").c_str()), "wb"), KX_STATUS_SUCCESS);
  EXPECT_FALSE(stream.isOpen());
}

// Positions are 64-bit on every target, the 32-bit one included.
TEST(FileStreamLargeFiles, PositionsPast4GiBAreReached) {
  FileStreamMaker maker;
  const std::unique_ptr<KxIOStreamInf> stream = maker.make();
  ASSERT_EQ(stream->open(), KX_STATUS_SUCCESS);
  ASSERT_EQ(stream->write("abcdefgh", 8), 8u);
  ASSERT_EQ(stream->seek(int64_t{5} << 30, KX_SEEK_CURRENT), KX_STATUS_SUCCESS);
  EXPECT_EQ(stream->tell(), (int64_t{5} << 30) + 8);
}

std::string contentsOf(const KxIODynamicMemStream& stream) {
  return std::string(reinterpret_cast<const char*>(stream.data()), stream.size());
}

class MemStreamBounds : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(stream_.initialize(8, 2.0f), KX_STATUS_SUCCESS);
    ASSERT_EQ(stream_.open(), KX_STATUS_SUCCESS);
  }
  KxIODynamicMemStream stream_;
};

TEST_F(MemStreamBounds, ReopeningRewindsAndOnlyAShortReadIsEndOfStream) {
  ASSERT_EQ(stream_.write("0123456789", 10), 10u);
  ASSERT_EQ(stream_.close(), KX_STATUS_SUCCESS);
  ASSERT_EQ(stream_.open(), KX_STATUS_SUCCESS);
  char buffer[10];
  EXPECT_EQ(stream_.read(buffer, 10), 10u);
  EXPECT_EQ(std::string(buffer, 10), "0123456789");
  EXPECT_FALSE(stream_.isEOF());
  EXPECT_EQ(stream_.read(buffer, 10), 0u);
  EXPECT_TRUE(stream_.isEOF());
}

TEST_F(MemStreamBounds, WritingPastTheEndZeroFillsTheGap) {
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

TEST_F(MemStreamBounds, PositionsOutsideTheStreamAreRefused) {
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

using StreamPrintfTexts = MemStreamBounds;

TEST_F(StreamPrintfTexts, WholeTextsAroundTheBufferSizeAreWrittenAndARefusedWriteFails) {
  // Around the first buffer's size: 1022 characters fit it, 1023 need the next.
  for (int length : {1022, 1023, 1024}) EXPECT_EQ(streamPrintf(&stream_, "%0*d", length, 7), length);
  EXPECT_EQ(contentsOf(stream_),
            std::string(1021, '0') + "7" + std::string(1022, '0') + "7" + std::string(1023, '0') + "7");
  EXPECT_EQ(streamPrintf(&stream_, "%s", ""), 0);
  ASSERT_EQ(stream_.close(), KX_STATUS_SUCCESS);
  EXPECT_EQ(streamPrintf(&stream_, "refused %d", 1), -1);
  EXPECT_EQ(streamPrintf(nullptr, "x"), -1);
}

void* plainAllocate(size_t size) { return std::malloc(size); }
void plainFree(void* block) { std::free(block); }

TEST(MemStreamAllocator, AnAllocatorWithoutItsFreeIsRefusedAndGrowingMovesTheData) {
  KxIODynamicMemStream stream;
  ASSERT_EQ(stream.initialize(2, &plainAllocate, nullptr, nullptr, 2.0f), KX_STATUS_BAD_ARGUMENT);
  ASSERT_EQ(stream.initialize(2, &plainAllocate, &plainFree, nullptr, 2.0f), KX_STATUS_SUCCESS);
  ASSERT_EQ(stream.open(), KX_STATUS_SUCCESS);
  EXPECT_EQ(stream.initialize(2, 2.0f), KX_STATUS_WRONG_STREAM_STATE);
  // Without a reallocate function, growing moves the data to a new block.
  const std::string text = "grows from two bytes to many more";
  ASSERT_EQ(stream.write(text.data(), static_cast<uint32_t>(text.size())), text.size());
  EXPECT_EQ(contentsOf(stream), text);
}

}  // namespace
}  // namespace Kelvane
