// Behaviour every KxIOStreamInf shares, run against each kind of stream.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <typeinfo>

#include "kelvane/kx_status.h"
#include "support/kxIODynamicMemStream.h"
#include "support/kxIOFileStream.h"
#include "support/supportTestDir.h"

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
class StreamContractTest : public ::testing::Test {
 protected:
  std::string readAll(KxIOStreamInf* stream) {
    std::string text(64, '\0');
    text.resize(stream->read(text.data(), static_cast<uint32_t>(text.size())));
    return text;
  }
  Maker maker_;
};

using StreamKinds = ::testing::Types<FileStreamMaker, MemStreamMaker>;
TYPED_TEST_SUITE(StreamContractTest, StreamKinds);

TYPED_TEST(StreamContractTest, WritesReadBackAfterSeeking) {
  std::unique_ptr<KxIOStreamInf> stream = this->maker_.make();
  char byte = 'x';
  EXPECT_EQ(stream->write(&byte, 1), 0u);
  EXPECT_EQ(stream->tell(), -1);

  ASSERT_EQ(stream->open(), KX_STATUS_SUCCESS);
  EXPECT_EQ(stream->write("hello, tiles", 12), 12u);
  EXPECT_EQ(stream->tell(), 12);
  EXPECT_EQ(stream->seek(-5, KX_SEEK_END), KX_STATUS_SUCCESS);
  EXPECT_EQ(this->readAll(stream.get()), "tiles");
  EXPECT_TRUE(stream->isEOF());
  // Seeking clears end-of-stream.
  EXPECT_EQ(stream->seek(7, KX_SEEK_BEGIN), KX_STATUS_SUCCESS);
  EXPECT_FALSE(stream->isEOF());
  EXPECT_EQ(stream->write("TILES", 5), 5u);
  EXPECT_EQ(stream->seek(-12, KX_SEEK_CURRENT), KX_STATUS_SUCCESS);
  EXPECT_EQ(this->readAll(stream.get()), "hello, TILES");
  EXPECT_NE(stream->seek(0, 1), KX_STATUS_SUCCESS);
  EXPECT_NE(stream->seek(0, 5), KX_STATUS_SUCCESS);
  EXPECT_EQ(stream->close(), KX_STATUS_SUCCESS);
  EXPECT_EQ(stream->read(&byte, 1), 0u);
}

TYPED_TEST(StreamContractTest, DuplicateIsAClosedStreamOfTheSameKind) {
  std::unique_ptr<KxIOStreamInf> stream = this->maker_.make();
  ASSERT_EQ(stream->open(), KX_STATUS_SUCCESS);
  std::unique_ptr<KxIOStreamInf> copy(stream->duplicate());
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(typeid(*copy), typeid(*stream));
  EXPECT_FALSE(copy->isOpen());
  EXPECT_STREQ(copy->getID(), stream->getID());
}

}  // namespace
}  // namespace Kelvane
