// Sample copies and background fills between buffers of different layouts.
#include <gtest/gtest.h>

#include <vector>

#include "fakes/decodeBufferBuilder.h"
#include "fakes/sceneWriter.h"
#include "fakes/syntheticSamples.h"
#include "stages/kxv_bufferSamples.h"

namespace Kelvane {
namespace {

using Fakes::BufferLayout;
using Fakes::OwnedDecodeBuffer;

const Scene kScene = Fakes::MakeScene(0, 0, 7, 5);

// A buffer holding the synthetic image over its scene.
OwnedDecodeBuffer Painted(const BufferLayout& layout) {
  OwnedDecodeBuffer buffer(kScene, layout);
  Fakes::WriteSyntheticScene(buffer.get(), Fakes::SyntheticImage{64, 64, layout.spp, nullptr}, nullptr);
  return buffer;
}

std::string Mismatch(const OwnedDecodeBuffer& buffer) {
  const uint32_t type = buffer.record().format.type;
  return Fakes::FirstSampleMismatch(buffer.record(), [&](uint32_t x, uint32_t y, uint32_t s) {
    return Fakes::SyntheticSampleBits(x, y, s, 1.0, type);
  });
}

// Interleaved with a spare slot and reversed bands, padded rows.
BufferLayout Scattered(uint32_t type) {
  BufferLayout layout = BufferLayout::Interleaved(3, type);
  layout.stride = 4;
  layout.slots = {2, 1, 0};
  layout.align = 8;
  layout.rowPadding = 3;
  return layout;
}

class BufferSamplesByType : public ::testing::TestWithParam<uint32_t> {};

// Every pair of layouts, the spare slot of a pixel left alone.
TEST_P(BufferSamplesByType, CopiesEveryBandBetweenLayouts) {
  const uint32_t type = GetParam();
  const std::vector<BufferLayout> layouts = {BufferLayout::Interleaved(3, type), Scattered(type),
                                             BufferLayout::BandSequential(3, type)};
  for (const BufferLayout& from : layouts) {
    for (const BufferLayout& to : layouts) {
      OwnedDecodeBuffer source = Painted(from);
      OwnedDecodeBuffer destination(kScene, to);
      EXPECT_EQ(copyBufferSamples(*destination.get(), source.record()), KXV_SAMPLES_DONE);
      EXPECT_EQ(Mismatch(destination), "") << "order " << from.order << " -> " << to.order;
      EXPECT_TRUE(destination.guardIntact());
      if (to.stride == 4) {
        EXPECT_EQ(destination.bytes()[3 * KxHostSampleBytes(type)], to.fill);
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(EightAndSixteenBit, BufferSamplesByType,
                         ::testing::Values(KX_TYPE_U8, KX_TYPE_S8, KX_TYPE_U16, KX_TYPE_S16));

TEST(BufferSamples, RefusesBuffersThatDoNotMatch) {
  OwnedDecodeBuffer source = Painted(BufferLayout::Interleaved(3, KX_TYPE_U8));
  // A height differing by a fraction of a pixel.
  Scene taller = kScene;
  taller.height += 0.25;
  OwnedDecodeBuffer other(taller, BufferLayout::Interleaved(3, KX_TYPE_U8));
  other.fill(0x11);
  EXPECT_EQ(copyBufferSamples(*other.get(), source.record()), KXV_SAMPLES_REFUSED);
  EXPECT_EQ(other.sample(0, 0, 0), 0x11u);
  // Another band count, another type, floating-point samples.
  OwnedDecodeBuffer grey(kScene, BufferLayout::Interleaved(1, KX_TYPE_U8));
  EXPECT_EQ(copyBufferSamples(*grey.get(), source.record()), KXV_SAMPLES_REFUSED);
  OwnedDecodeBuffer wide(kScene, BufferLayout::Interleaved(3, KX_TYPE_U16));
  EXPECT_EQ(copyBufferSamples(*wide.get(), source.record()), KXV_SAMPLES_REFUSED);
  OwnedDecodeBuffer floats(kScene, BufferLayout::Interleaved(3, KX_TYPE_F32));
  OwnedDecodeBuffer floatSource = Painted(BufferLayout::Interleaved(3, KX_TYPE_F32));
  EXPECT_EQ(copyBufferSamples(*floats.get(), floatSource.record()), KXV_SAMPLES_REFUSED);
}

// A one-pixel background with a distinct value per band.
OwnedDecodeBuffer Background(uint32_t spp, uint32_t type) {
  OwnedDecodeBuffer pixel(Fakes::MakeScene(0, 0, 1, 1), BufferLayout::Interleaved(spp, type));
  for (uint32_t s = 0; s < spp; ++s) pixel.setSample(0, 0, s, 0x0101u * (s + 7) & (type == KX_TYPE_U8 ? 0xFF : 0xFFFF));
  return pixel;
}

TEST(BufferSamples, FillsEveryRowOfEveryBandWithTheBackground) {
  for (uint32_t type : {KX_TYPE_U8, KX_TYPE_U16}) {
    const OwnedDecodeBuffer background = Background(3, type);
    for (const BufferLayout& layout : {Scattered(type), BufferLayout::BandSequential(3, type)}) {
      OwnedDecodeBuffer destination(kScene, layout);
      ASSERT_EQ(fillWithBackground(*destination.get(), background.record()), KXV_SAMPLES_DONE);
      const std::string mismatch = Fakes::FirstSampleMismatch(
          destination.record(), [&](uint32_t, uint32_t, uint32_t s) { return background.sample(0, 0, s); });
      EXPECT_EQ(mismatch, "") << "type " << type;
      EXPECT_TRUE(destination.guardIntact());
    }
  }
}

TEST(BufferSamples, FillRefusesOtherLayoutsAndWritesNothing) {
  OwnedDecodeBuffer destination(kScene, BufferLayout::Interleaved(3, KX_TYPE_U8));
  destination.fill(0x42);
  // Another band count or type: the background cannot be read as this buffer's pixel.
  EXPECT_EQ(fillWithBackground(*destination.get(), Background(4, KX_TYPE_U8).record()), KXV_SAMPLES_LAYOUT_MISMATCH);
  EXPECT_EQ(fillWithBackground(*destination.get(), Background(3, KX_TYPE_U16).record()), KXV_SAMPLES_LAYOUT_MISMATCH);
  // Signed and floating-point samples are not filled.
  for (uint32_t type : {KX_TYPE_S8, KX_TYPE_S16, KX_TYPE_F32}) {
    OwnedDecodeBuffer other(kScene, BufferLayout::Interleaved(3, type));
    other.fill(0x42);
    EXPECT_EQ(fillWithBackground(*other.get(), Background(3, type).record()), KXV_SAMPLES_REFUSED);
    EXPECT_EQ(other.bytes()[0], 0x42);
  }
  // A background whose sample map points past its one pixel is never read.
  OwnedDecodeBuffer background = Background(3, KX_TYPE_U8);
  background.get()->format.smap[2] = 64;
  EXPECT_EQ(fillWithBackground(*destination.get(), background.record()), KXV_SAMPLES_REFUSED);
  EXPECT_EQ(destination.sample(0, 0, 0), 0x42u);
}

}  // namespace
}  // namespace Kelvane
