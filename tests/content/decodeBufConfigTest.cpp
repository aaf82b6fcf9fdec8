// Setting up, re-laying, allocating and checking decode buffers.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <initializer_list>
#include <limits>
#include <utility>
#include <vector>

#include "content/kxv_decodeBufConfig.h"
#include "fakes/recordingLogger.h"

namespace Kelvane {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

void SetMap(BufferFormat& format, std::initializer_list<int32_t> offsets) {
  std::copy(offsets.begin(), offsets.end(), format.smap);
}

// Pixel-interleaved samples in band order, at full bit width.
BufferFormat Interleaved(uint32_t spp, uint32_t type, uint32_t stride, uint32_t align) {
  const uint32_t bytes = KxvDecodeBufConfig::BytesPerSample(type);
  BufferFormat format{spp == 1 ? KX_CS_GREY : KX_CS_RGB, spp, stride, type, 0, align, 0, {}, 8 * bytes};
  for (uint32_t s = 0; s < spp; ++s) format.smap[s] = static_cast<int32_t>(s * bytes);
  return format;
}

DecodeBuffer Buffer(double width, double height, const BufferFormat& format, double mag = 1.0) {
  DecodeBuffer buffer;
  KxvDecodeBufConfig::InitFromFormat(buffer, Scene{0, 0, width, height, mag}, format);
  return buffer;
}

RasterProps Source(uint32_t width, uint32_t height, uint32_t flags) {
  RasterProps props;
  props.width = width;
  props.height = height;
  props.flags = flags;
  props.minMag = 1.0 / 64;
  props.maxMag = 1.0;
  return props;
}

// Owns a recording logger for one test and hands out its sink.
struct Log {
  Fakes::RecordingLogger* logger = Fakes::RecordingLogger::Create(7);
  ~Log() { logger->Release(); }
  IKxLogSink* sink() const { return KxLogSinkOf(logger); }
};

// Row bytes and sizes follow the rounded width, alignment and order; planes sit one plane apart.
TEST(DecodeBufConfig, RowBytesByteSizeAndPlanesFollowWidthAlignmentAndOrder) {
  DecodeBuffer buffer = Buffer(10.4, 5, Interleaved(3, KX_TYPE_U8, 3, 4));
  const BufferFormat& format = buffer.format;
  EXPECT_EQ(format.rowbytes, 32u);
  KxvDecodeBufConfig::SetAlign(buffer, 1);
  EXPECT_EQ(format.rowbytes, 30u);
  KxvDecodeBufConfig::SetAlign(buffer, 0);  // no alignment, and no division by it
  EXPECT_EQ(format.rowbytes, 30u);
  KxvDecodeBufConfig::SetOrder(buffer, 1);
  EXPECT_EQ(format.stride, 1u);
  EXPECT_EQ(format.align, 1u);
  EXPECT_EQ(format.rowbytes, 10u);
  EXPECT_EQ(format.smap[2], 2 * 5 * 10);
  KxvDecodeBufConfig::SetColorSpace(buffer, KX_CS_RGBK);  // a fourth plane after the third
  EXPECT_EQ(format.smap[3], 3 * 5 * 10);
  EXPECT_EQ(KxvDecodeBufConfig::GetByteSize(buffer), 5u * 10 * 4);
  KxvDecodeBufConfig::SetOrder(buffer, 0);
  EXPECT_EQ(format.smap[2], 2);
  EXPECT_EQ(Buffer(99.6, 1, Interleaved(1, KX_TYPE_U16, 1, 1)).format.rowbytes, 200u);
}

// Bits per sample are taken modulo 256 and only up to the width of the data type.
TEST(DecodeBufConfig, BitsPerSampleAreBoundByTheDataType) {
  DecodeBuffer buffer = Buffer(4, 4, Interleaved(3, KX_TYPE_U8, 3, 1));
  KxvDecodeBufConfig::SetBitsPerSample(buffer, 12);
  EXPECT_EQ(buffer.format.bps, 8u);
  KxvDecodeBufConfig::SetBitsPerSample(buffer, 256 + 6);
  EXPECT_EQ(buffer.format.bps, 6u);
  KxvDecodeBufConfig::SetDataType(buffer, KX_TYPE_U16);
  KxvDecodeBufConfig::SetBitsPerSample(buffer, 12);
  EXPECT_EQ(buffer.format.bps, 12u);
  KxvDecodeBufConfig::SetDataType(buffer, KX_TYPE_S8);
  EXPECT_EQ(buffer.format.bps, 8u);
}

// Band order comes from the offsets, coincident or extreme ones included.
TEST(DecodeBufConfig, SampleIndicesFollowOffsetsOfAnyLayout) {
  BufferFormat format = Interleaved(3, KX_TYPE_U16, 3, 1);
  SetMap(format, {4, 2, 0});
  EXPECT_EQ(KxvDecodeBufConfig::GetSampleIndices(format)[0], 2);
  SetMap(format, {4, 4, 0});
  EXPECT_EQ(KxvDecodeBufConfig::GetSampleIndices(format)[0], KxvDecodeBufConfig::GetSampleIndices(format)[1]);
  SetMap(format, {0, 0, 0});
  EXPECT_EQ(KxvDecodeBufConfig::GetSampleIndices(format)[2], 2);
  SetMap(format, {0, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()});
  EXPECT_EQ(KxvDecodeBufConfig::GetSampleIndices(format)[0], 0);
}

// Memory is sized by the layout and addressed through it; empty, unaddressable or huge buffers get none.
TEST(DecodeBufConfig, AllocSizesMemoryAndRefusesWhatCannotBeAddressed) {
  Log log;
  DecodeBuffer buffer = Buffer(3, 2, Interleaved(3, KX_TYPE_U8, 4, 4));
  ASSERT_EQ(KxvDecodeBufConfig::alloc(buffer, log.sink()), 24u);
  uint8_t* base = static_cast<uint8_t*>(buffer.pBits);
  EXPECT_EQ(KxvDecodeBufConfig::GetSampleAddress(buffer, 2, 2, 1), base + 12 + 8 + 2);
  EXPECT_EQ(KxvDecodeBufConfig::alloc(buffer, log.sink()), 0u);
  EXPECT_EQ(buffer.pBits, base);
  KxvDecodeBufConfig::ReleaseBits(buffer);
  DecodeBuffer empty = Buffer(0.4, 3, Interleaved(3, KX_TYPE_U8, 3, 1));
  EXPECT_EQ(KxvDecodeBufConfig::alloc(empty, log.sink()), 0u);
  EXPECT_TRUE(log.logger->contains(4, "attempt to allocate 0 bytes in KxvDecodeBufConfig::alloc()"));

  for (const auto& [width, height] : {std::pair{kNaN, 4.0}, {4, -3}, {HUGE_VAL, 4}, {1e12, 4}, {3e9, 1e9}}) {
    DecodeBuffer unusable = Buffer(width, height, Interleaved(4, KX_TYPE_F32, 4, 8));
    EXPECT_EQ(KxvDecodeBufConfig::alloc(unusable, log.sink()), 0u) << width << " x " << height;
    EXPECT_EQ(unusable.pBits, nullptr);
  }
  EXPECT_TRUE(log.logger->containsFragment(4, "no addressable size"));
  // 65536 x 70000 pixels of 16 bytes fit 64-bit sizes but not 32-bit ones.
  const DecodeBuffer big = Buffer(65536, 70000, Interleaved(4, KX_TYPE_F32, 4, 8));
  EXPECT_EQ(KxvDecodeBufConfig::GetByteSize(big), sizeof(void*) == 8 ? 65536ull * 70000 * 16 : 0u);
}

// Octave and non-octave magnifications, scenes off the image and whole-image sources give their reasons.
TEST(DecodeBufConfig, SceneReasonsDependOnMagnificationExtentAndFlags) {
  Log log;
  const BufferFormat format = Interleaved(3, KX_TYPE_U8, 3, 1);
  const uint32_t partial = KX_CAP_PARTIAL_SCENE | KX_CAP_OUTSIDE_IMAGE;
  EXPECT_EQ(KxvDecodeBufConfig::checkScene(Buffer(8, 8, format, 0.25), Source(64, 64, partial), log.sink()), 0x2u);
  EXPECT_EQ(KxvDecodeBufConfig::checkScene(Buffer(8, 8, format, 0.3), Source(64, 64, partial), log.sink()), 0x4u);
  EXPECT_EQ(
      KxvDecodeBufConfig::checkScene(Buffer(8, 8, format, 0.3), Source(64, 64, partial | KX_CAP_ANY_MAG), nullptr), 0u);
  EXPECT_TRUE(log.logger->entries().empty());
  const DecodeBuffer nearOctave = Buffer(8, 8, format, 0.25 * (1 + 1e-9));
  EXPECT_EQ(KxvDecodeBufConfig::checkScene(nearOctave, Source(64, 64, partial | KX_CAP_POW2_MAG), log.sink()), 0u);
  EXPECT_TRUE(log.logger->containsFragment(7, "treating level/mag 2.000000/0.250000 as octave level"));

  DecodeBuffer whole = Buffer(64, 32, format);
  EXPECT_EQ(KxvDecodeBufConfig::checkScene(whole, Source(64, 32, 0), nullptr), 0u);
  whole.scene.ulx = -4;
  EXPECT_EQ(KxvDecodeBufConfig::checkScene(whole, Source(64, 32, 0), nullptr), 0x21u);
  EXPECT_EQ(KxvDecodeBufConfig::checkScene(whole, Source(64, 32, KX_CAP_OUTSIDE_IMAGE), nullptr), 0x1u);
  whole.scene.mag = kNaN;
  EXPECT_EQ(KxvDecodeBufConfig::checkScene(whole, Source(64, 32, 0), nullptr), KXV_REASON_UNUSABLE);
}

// A buffer with pixel memory is reported on, never changed; rows shorter than the scene are unusable.
TEST(DecodeBufConfig, CheckBufferNeverChangesABufferWithPixelMemory) {
  uint8_t pixels[64] = {};
  DecodeBuffer buffer = Buffer(4, 4, Interleaved(1, KX_TYPE_U8, 1, 1), 0.3);
  buffer.scene.ulx = 2;
  buffer.pBits = pixels;
  const DecodeBuffer before = buffer;
  const uint32_t reasons =
      KxvDecodeBufConfig::CheckBuffer(buffer, Interleaved(3, KX_TYPE_U16, 3, 4), Source(64, 64, 0), nullptr);
  EXPECT_EQ(reasons, 0x1u | 0x4 | 0x100 | 0x200 | 0x400 | 0x4000 | 0x8000);
  EXPECT_EQ(std::memcmp(&before, &buffer, sizeof buffer), 0);
  buffer.format.rowbytes = 3;
  EXPECT_EQ(KxvDecodeBufConfig::CheckBuffer(buffer, buffer.format, Source(4, 4, ~0u), nullptr), KXV_REASON_UNUSABLE);
}

// A buffer without memory becomes the whole image at the nearest octave in the stage's layout.
TEST(DecodeBufConfig, CheckBufferAdaptsABufferWithoutPixelMemory) {
  BufferFormat planes = Interleaved(3, KX_TYPE_U16, 1, 1);
  planes.order = 1;
  SetMap(planes, {100, 50, 0});  // bands stored blue, green, red
  DecodeBuffer buffer = Buffer(10, 10, Interleaved(3, KX_TYPE_U8, 4, 4), 0.3);
  buffer.scene.ulx = 5;
  const RasterProps props = Source(64, 32, KX_CAP_POW2_MAG);
  EXPECT_EQ(KxvDecodeBufConfig::CheckBuffer(buffer, planes, props, nullptr),
            0x1u | 0x4 | 0x20 | 0x200 | 0x400 | 0x800 | 0x4000 | 0x8000);
  const Scene& scene = buffer.scene;
  EXPECT_EQ((std::vector<double>{scene.width, scene.height, scene.mag}), (std::vector<double>{16, 8, 0.25}));
  EXPECT_EQ(buffer.format.rowbytes, 32u);
  EXPECT_EQ(buffer.format.smap[0], 2 * 8 * 32);
  EXPECT_EQ(KxvDecodeBufConfig::CheckBuffer(buffer, planes, props, nullptr), 0u);
  // An unusable buffer is reported and left as it is.
  DecodeBuffer bad = Buffer(kNaN, 10, Interleaved(1, KX_TYPE_U8, 1, 0));
  EXPECT_EQ(KxvDecodeBufConfig::CheckBuffer(bad, planes, props, nullptr) & KXV_REASON_UNUSABLE, KXV_REASON_UNUSABLE);
  EXPECT_EQ(bad.format.spp, 1u);
}

}  // namespace
}  // namespace Kelvane
