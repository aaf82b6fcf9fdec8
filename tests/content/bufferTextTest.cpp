// The text form of a buffer written to the log.
#include <gtest/gtest.h>

#include <string>

#include "content/kxv_bufferText.h"

namespace Kelvane {
namespace {

DecodeBuffer SampleBuffer() {
  DecodeBuffer buffer;
  buffer.scene = Scene{1.5, -2.0, 640.0, 480.0, 0.5};
  buffer.format.spp = 3;
  buffer.format.stride = 4;
  buffer.format.type = 0;
  buffer.format.order = 0;
  buffer.format.align = 4;
  buffer.format.rowbytes = 2560;
  buffer.format.smap[0] = 2;
  buffer.format.smap[1] = 1;
  buffer.format.smap[2] = 0;
  buffer.format.smap[3] = 3;  // only the first three offsets are shown
  buffer.format.bps = 8;
  return buffer;
}

TEST(BufferTextTest, ShowsSceneLayoutAndFirstThreeOffsets) {
  const std::string text =
      "ul:1.500000,-2.000000 wh:640.000000,480.000000 mag:0.500000 spp:3 stride:4 type:0 order:0 align:4 "
      "rowbytes:2560 smap:2,1,0 bps:8";
  EXPECT_EQ(KxvBufferText(SampleBuffer()), text);
  EXPECT_EQ(KxvBufferLine("buf is", SampleBuffer()), "buf is " + text);
  EXPECT_EQ(KxvBufferLine(nullptr, SampleBuffer()), " " + text);
}

TEST(BufferTextTest, ExtremeValuesAreWrittenWhole) {
  DecodeBuffer buffer = SampleBuffer();
  buffer.scene.ulx = 1e300;
  buffer.format.rowbytes = 0xFFFFFFFFu;
  const std::string text = KxvBufferText(buffer);
  // %f writes every integer digit of the value: 301 of them here.
  const std::string digits = std::to_string(1e300);
  EXPECT_EQ(text.compare(0, 3 + digits.size(), "ul:" + digits), 0);
  EXPECT_EQ(digits.size(), 301u + 7u);
  EXPECT_NE(text.find(".000000,-2.000000 wh:640.000000"), std::string::npos);
  EXPECT_NE(text.find(" rowbytes:-1 smap:2,1,0 bps:8"), std::string::npos);
}

}  // namespace
}  // namespace Kelvane
