// Host buffers described for the raster library: colour-space numbers, the
// format's fields, and byte offsets of wide samples and of planes turned
// into sample positions that address the same bytes.
#include <gtest/gtest.h>

#include <vector>

#include "raster/describeSceneBuffer.h"
#include "raster/rasterTestSupport.h"
#include "raster/transposer.h"

namespace Kelvane {
namespace {

using testing_support::raisedCode;

DecodeBuffer bufferOf(uint32_t colorSpace, uint32_t stride, uint32_t type, uint32_t order, std::vector<int32_t> offsets,
                      uint32_t bps = 8, uint32_t align = 4) {
  DecodeBuffer buffer;
  buffer.format = {colorSpace, 3, stride, type, order, align, 1234, {}, bps};
  for (size_t i = 0; i < offsets.size(); ++i) buffer.format.smap[i] = offsets[i];
  return buffer;
}

ImageBufferInfo described(const DecodeBuffer& buffer) {
  ImageBufferInfo info;
  describeSceneBuffer(buffer, info);
  return info;
}

std::vector<uint32_t> mapOf(const ImageBufferInfo& info) {
  return std::vector<uint32_t>(info.sampleMap(), info.sampleMap() + info.bandCount());
}

TEST(ColorSpaceFromHost, MapsHostNumbersToLibraryCodes) {
  const uint32_t expected[] = {0, 769, 0, 1026, 257, 0, 1025, 771, 1027, 65281, 0};
  for (uint32_t host = 0; host < 11; ++host) EXPECT_EQ(colorSpaceFromHost(host), expected[host]) << host;
}

TEST(DescribeSceneBuffer, CopiesTheFormatAndLeavesUnknownValuesAlone) {
  const ImageBufferInfo rgb = described(bufferOf(KX_CS_RGB, 4, KX_TYPE_U8, 0, {2, 1, 0}));
  EXPECT_EQ(rgb.colorSpace(), kColorSpaceRGB);
  EXPECT_EQ(rgb.pixelStride, 4);
  EXPECT_EQ(rgb.sampleType, kSampleUInt8);
  EXPECT_EQ(rgb.alignment, 4u);
  EXPECT_EQ(mapOf(rgb), (std::vector<uint32_t>{2, 1, 0}));
  EXPECT_EQ(rgb.bitsPerSample, 8);
  EXPECT_EQ(rgb.rowBytes, -1);

  const ImageBufferInfo odd = described(bufferOf(KX_CS_FOUR_SAMPLE, 3, 5, 7, {}, 8, 3));
  EXPECT_EQ(odd.bandCount(), 0);
  EXPECT_EQ(odd.sampleType, kSampleUInt8);
  EXPECT_EQ(odd.order, 0u);
  EXPECT_EQ(odd.alignment, 1u);
  EXPECT_EQ(described(bufferOf(KX_CS_GREY, 1, KX_TYPE_S16, 0, {0})).sampleType, kSampleUInt16);
}

TEST(DescribeSceneBuffer, ByteOffsetsBecomeSamplePositions) {
  EXPECT_EQ(mapOf(described(bufferOf(KX_CS_CMYK, 4, KX_TYPE_U16, 0, {6, 4, 2, 0}, 16))),
            (std::vector<uint32_t>{3, 2, 1, 0}));
  // Planes of a band-sequential buffer, named from the pixel memory.
  const ImageBufferInfo planes = described(bufferOf(KX_CS_RGB, 1, KX_TYPE_U16, 1, {0, 200, 400}, 16));
  EXPECT_EQ(planes.order, 1u);
  EXPECT_EQ(mapOf(planes), (std::vector<uint32_t>{0, 100, 200}));
  // An offset inside a sample, or before the pixel, names no sample.
  EXPECT_EQ(raisedCode([] { described(bufferOf(KX_CS_RGB, 3, KX_TYPE_U16, 0, {0, 3, 4}, 16)); }), 145011u);
  EXPECT_EQ(raisedCode([] { described(bufferOf(KX_CS_RGB, 3, KX_TYPE_U8, 0, {0, -1, 2})); }), 145011u);
}

TEST(DescribeSceneBuffer, DescribedSixteenBitPlanesReadTheBytesTheHostAddresses) {
  // 2 x 2 RGB of 16-bit samples in planes ordered G, B, R: band b of pixel
  // (x, y) lies at byte y * 4 + x * 2 + smap[b].
  std::vector<G> memory(12);
  for (size_t i = 0; i < memory.size(); ++i) memory[i] = static_cast<G>(1000 + i);
  const DecodeBuffer host = bufferOf(KX_CS_RGB, 1, KX_TYPE_U16, 1, {16, 0, 8}, 16);
  std::vector<G> mirrored(12);
  Transposer<G> transposer(MirrorLeftRight);
  transposer.setSourceRaster(memory.data(), 2, 2, 4, described(host));
  transposer.setDestinationRaster(mirrored.data(), 2, 2, 12,
                                  described(bufferOf(KX_CS_RGB, 3, KX_TYPE_U16, 0, {0, 2, 4}, 16)));
  transposer.transform();
  for (uint32_t i = 0; i < 12; ++i) {
    const uint32_t x = i / 3 % 2;
    const uint32_t y = i / 6;
    const size_t hostByte = y * 4 + (1 - x) * 2 + static_cast<size_t>(host.format.smap[i % 3]);
    EXPECT_EQ(mirrored[i], memory[hostByte / 2]) << i;
  }
}

}  // namespace
}  // namespace Kelvane
