// The host-side doubles are the oracle of every stage test, so they are
// proven here against hand-computed addresses and values.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "fakes/decodeBufferBuilder.h"
#include "fakes/fakeUpstream.h"
#include "fakes/syntheticSamples.h"

namespace Kelvane::Fakes {
namespace {

// Values spread over every type's range and differ by position, band and
// magnification, so a wrong address or band cannot go unnoticed.
TEST(SyntheticSamplesTest, ValuesSpreadOverEveryTypeRangeAndEncodingClamps) {
  std::set<uint32_t> lowBytes, highBytes, negativeTypes;
  for (int64_t x = 0; x < 256; ++x) {
    lowBytes.insert(SyntheticSampleBits(x, 5, 1, 1.0, KX_TYPE_U8));
    highBytes.insert(SyntheticSampleBits(x, 5, 1, 1.0, KX_TYPE_U16) >> 8);
    // The sign bit of each signed type.
    for (const auto& [type, sign] : {std::pair{KX_TYPE_S8, 0x80u}, {KX_TYPE_S16, 0x8000u}, {KX_TYPE_F32, 1u << 31}}) {
      if ((SyntheticSampleBits(x, 5, 1, 1.0, type) & sign) != 0) negativeTypes.insert(type);
    }
  }
  EXPECT_EQ(lowBytes.size() + highBytes.size() + negativeTypes.size(), 256u + 256u + 3u);
  const uint32_t base = SyntheticSampleBits(7, 3, 0, 1.0, KX_TYPE_U16);
  for (const auto& [x, y, band, mag] : {std::tuple{7, 4, 0u, 1.0}, {7, 3, 1u, 1.0}, {7, 3, 0u, 0.5}, {3, 7, 0u, 1.0}}) {
    EXPECT_NE(base, SyntheticSampleBits(x, y, band, mag, KX_TYPE_U16)) << x << "," << y << " " << band;
  }
  EXPECT_EQ(EncodeSampleBits(300.0, KX_TYPE_U8), 255u);
  EXPECT_EQ(EncodeSampleBits(-20.0, KX_TYPE_S16), 0xFFECu);
}

// Layouts a host may hand a stage, each decoded in every host type.
struct LayoutCase {
  const char* name;
  BufferLayout layout;
};

// Colour space, samples, type, order, stride, alignment, row padding, sample slots.
const LayoutCase kLayouts[] = {
    {"Interleaved", {KX_CS_RGB, 3, 0, 0, 0, 1, 0, {}}},
    {"BandSequential", {KX_CS_RGB, 3, 0, 1, 0, 1, 0, {}}},
    {"Stride4", {KX_CS_RGB, 3, 0, 0, 4, 1, 0, {}}},
    {"PermutedMap", {KX_CS_RGB, 3, 0, 0, 4, 1, 0, {2, 0, 3}}},
    {"AlignedPaddedRows", {KX_CS_RGB, 3, 0, 0, 0, 4, 5, {}}},
    {"PermutedPlanesPadded", {KX_CS_RGB, 3, 0, 1, 0, 1, 3, {1, 2, 0}}},
};
const uint32_t kTypes[] = {KX_TYPE_U8, KX_TYPE_S8, KX_TYPE_U16, KX_TYPE_S16, KX_TYPE_F32};

class FakeUpstreamLayoutTest : public ::testing::TestWithParam<std::tuple<LayoutCase, uint32_t>> {};

// Every sample lands at its hand-computed address (background outside the
// image), every other byte keeps the fill, and the oracle sees a changed
// sample and the guard a write past the memory.
TEST_P(FakeUpstreamLayoutTest, WritesExactlyTheSceneSamplesAndNothingElse) {
  BufferLayout layout = std::get<0>(GetParam()).layout;
  layout.type = std::get<1>(GetParam());
  const uint32_t bytes = KxHostSampleBytes(layout.type);
  FakeUpstreamConfig config;
  config.background = {10.0, -20.0, 300.6};
  FakeUpstream* upstream = FakeUpstream::Create(config);
  // 20.4 x 9.6 gives 20 x 10 pixels: inside the image, over its top-left, and over the
  // bottom-right of the 16 x 8 image at 1/16.
  for (const auto& [ulx, uly, mag] : {std::tuple{3.4, 5.6, 1.0}, {-2.6, -4.4, 0.5}, {10.4, 2.6, 1.0 / 16}}) {
    OwnedDecodeBuffer buffer(MakeScene(ulx, uly, 20.4, 9.6, mag), layout);
    ASSERT_EQ(upstream->Decode(buffer.get(), KXV_BEST_QUALITY, nullptr), S_OK);
    std::vector<bool> isSample(buffer.byteSize(), false);
    const BufferFormat& format = buffer.record().format;
    for (uint32_t y = 0; y < 10; ++y) {
      for (uint32_t x = 0; x < 20; ++x) {
        const int64_t ix = std::llround(ulx) + x, iy = std::llround(uly) + y;
        const bool inside = ix >= 0 && iy >= 0 && ix < 256 * mag && iy < 128 * mag;
        for (uint32_t s = 0; s < 3; ++s) {
          const uint32_t slot = layout.slots.empty() ? s : layout.slots[s];
          const size_t offset = layout.order == 0 ? y * format.rowbytes + (x * format.stride + slot) * bytes
                                                  : slot * 10 * format.rowbytes + y * format.rowbytes + x * bytes;
          uint32_t got = 0;
          std::memcpy(&got, buffer.bytes() + offset, bytes);
          ASSERT_EQ(got, inside ? SyntheticSampleBits(ix, iy, s, mag, layout.type)
                                : EncodeSampleBits(config.background[s], layout.type))
              << std::get<0>(GetParam()).name << " type " << layout.type << " pixel " << x << "," << y << " sample "
              << s << " mag " << mag;
          for (uint32_t b = 0; b < bytes; ++b) isSample[offset + b] = true;
        }
      }
    }
    for (size_t i = 0; i < buffer.byteSize(); ++i) {
      ASSERT_TRUE(isSample[i] || buffer.bytes()[i] == layout.fill) << "byte " << i << " is not a sample";
    }
    EXPECT_TRUE(buffer.guardIntact());
    EXPECT_EQ(upstream->FirstMismatch(buffer.record()), "");
    buffer.setSample(19, 9, 2, buffer.sample(19, 9, 2) ^ 1);
    EXPECT_NE(upstream->FirstMismatch(buffer.record()), "");
    buffer.bytes()[buffer.byteSize()] = 0;  // a write past the pixel memory
    EXPECT_FALSE(buffer.guardIntact());
  }
  upstream->Release();
}

INSTANTIATE_TEST_SUITE_P(AllLayoutsAndTypes, FakeUpstreamLayoutTest,
                         ::testing::Combine(::testing::ValuesIn(kLayouts), ::testing::ValuesIn(kTypes)));

}  // namespace
}  // namespace Kelvane::Fakes
