#include <gtest/gtest.h>

#include <cerrno>
#include <fstream>
#include <iterator>
#include <string>

#include "kelvane/kx_status.h"
#include "support/kxIOFileStream.h"
#include "support/supportTestDir.h"

namespace Kelvane {
namespace {

TEST(FileStreamTest, IdentifierMarksAbsolutePathsAndUsesSlashes) {
  KxIOFileStream stream;
  ASSERT_EQ(stream.initialize(PathString("C:\\tiles\\a.raw"), "rb"), KX_STATUS_SUCCESS);
  EXPECT_STREQ(stream.getID(), "file://C:/tiles/a.raw");
  ASSERT_EQ(stream.initialize(PathString("tiles\\a.raw"), "rb"), KX_STATUS_SUCCESS);
  EXPECT_STREQ(stream.getID(), "tiles/a.raw");
  ASSERT_EQ(stream.initialize(PathString("/tmp/a.raw"), "rb"), KX_STATUS_SUCCESS);
  EXPECT_STREQ(stream.getID(), "file:///tmp/a.raw");
}

TEST(FileStreamTest, InitialiseAndOpenRefuseWhatTheyCannotUse) {
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

TEST(FileStreamTest, ReadsAndWritesAlternateWithoutExplicitSeeks) {
  SupportTestDir dir;
  const std::string path = dir / "mixed.raw";
  KxIOFileStream stream;
  ASSERT_EQ(stream.initialize(PathString(path.c_str()), "w+b"), KX_STATUS_SUCCESS);
  ASSERT_EQ(stream.open(), KX_STATUS_SUCCESS);
  ASSERT_EQ(stream.write("abcdefgh", 8), 8u);
  ASSERT_EQ(stream.seek(2, KX_SEEK_BEGIN), KX_STATUS_SUCCESS);
  char two[2];
  ASSERT_EQ(stream.read(two, 2), 2u);
  ASSERT_EQ(stream.write("XY", 2), 2u);
  ASSERT_EQ(stream.read(two, 2), 2u);
  EXPECT_EQ(std::string(two, 2), "gh");
  // Positions are 64-bit on every target.
  ASSERT_EQ(stream.seek(int64_t{5} << 30, KX_SEEK_CURRENT), KX_STATUS_SUCCESS);
  EXPECT_EQ(stream.tell(), (int64_t{5} << 30) + 8);
  ASSERT_EQ(stream.close(), KX_STATUS_SUCCESS);
  std::ifstream in(path, std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "abcdXYgh");
}

}  // namespace
}  // namespace Kelvane
