// The text form of a buffer written to the log. Its fields in order are
// pinned by the line a failed validation logs (contentBaseTest.cpp); here,
// the values that would overflow a fixed-size text.
#include <gtest/gtest.h>

#include <string>

#include "content/kxv_bufferText.h"

namespace Kelvane {
namespace {

// %f writes all 301 integer digits of 1e300; layout words are shown signed;
// only three offsets are shown; a missing label leaves the separating space.
TEST(BufferTextOverflow, ExtremeValuesAreWrittenWhole) {
  DecodeBuffer buffer;
  buffer.scene = Scene{1e300, -2.0, 640.0, 480.0, 0.5};
  buffer.format = BufferFormat{0, 4, 4, 0, 0, 4, 0xFFFFFFFFu, {2, 1, 0, 3}, 8};
  EXPECT_EQ(KxvBufferLine(nullptr, buffer), " ul:" + std::to_string(1e300) +
                                                ",-2.000000 wh:640.000000,480.000000 mag:0.500000 spp:4 stride:4 "
                                                "type:0 order:0 align:4 rowbytes:-1 smap:2,1,0 bps:8");
}

}  // namespace
}  // namespace Kelvane
