// The text form of a buffer written to the log.
#include <gtest/gtest.h>

#include <string>

#include "content/kxv_bufferText.h"

namespace Kelvane {
namespace {

// Scene, layout and only the first three sample offsets; extreme values are written whole.
TEST(BufferTextTest, ShowsSceneLayoutAndFirstThreeOffsets) {
  DecodeBuffer buffer;
  buffer.scene = Scene{1.5, -2.0, 640.0, 480.0, 0.5};
  // Colour space, spp, stride, type, order, align, rowbytes, sample map (one offset too many to show), bps.
  buffer.format = BufferFormat{0, 3, 4, 0, 0, 4, 2560, {2, 1, 0, 3}, 8};
  const std::string text =
      "ul:1.500000,-2.000000 wh:640.000000,480.000000 mag:0.500000 spp:3 stride:4 type:0 order:0 align:4 "
      "rowbytes:2560 smap:2,1,0 bps:8";
  EXPECT_EQ(KxvBufferText(buffer), text);
  EXPECT_EQ(KxvBufferLine(nullptr, buffer), " " + text);

  // %f writes all 301 integer digits of 1e300; row bytes are shown signed.
  buffer.scene.ulx = 1e300;
  buffer.format.rowbytes = 0xFFFFFFFFu;
  const std::string extreme = KxvBufferText(buffer);
  EXPECT_EQ(extreme.rfind("ul:" + std::to_string(1e300) + ",-2.000000 wh:640.000000", 0), 0u);
  EXPECT_NE(extreme.find(" rowbytes:-1 smap:2,1,0 bps:8"), std::string::npos);
}

}  // namespace
}  // namespace Kelvane
