// Sample copies and background fills between buffers of different layouts.
#include <gtest/gtest.h>

#include <utility>
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

// Every pair of layouts of 8- and 16-bit samples, the spare slot of a pixel left alone.
TEST(BufferSamples, CopiesEveryBandBetweenLayouts) {
  for (const uint32_t type : {KX_TYPE_U8, KX_TYPE_S8, KX_TYPE_U16, KX_TYPE_S16}) {
    const auto synthetic = [type](uint32_t x, uint32_t y, uint32_t s) {
      return Fakes::SyntheticSampleBits(x, y, s, 1.0, type);
    };
    const BufferLayout layouts[] = {BufferLayout::Interleaved(3, type), BufferLayout::Scattered(type, 3),
                                    BufferLayout::BandSequential(3, type)};
    for (const BufferLayout& from : layouts) {
      for (const BufferLayout& to : layouts) {
        SCOPED_TRACE(testing::Message() << "type " << type << ", order " << from.order << " -> " << to.order);
        OwnedDecodeBuffer source = Painted(from);
        OwnedDecodeBuffer destination(kScene, to);
        EXPECT_EQ(copyBufferSamples(*destination.get(), source.record()), KXV_SAMPLES_DONE);
        EXPECT_EQ(Fakes::FirstSampleMismatch(destination.record(), synthetic), "");
        EXPECT_TRUE(destination.guardIntact());
        EXPECT_TRUE(to.stride != 4 || destination.bytes()[3 * KxHostSampleBytes(type)] == to.fill) << "spare slot";
      }
    }
  }
}

// A height differing by a fraction of a pixel, another band count, another
// type, floating-point samples: nothing is copied.
TEST(BufferSamples, RefusesBuffersThatDoNotMatch) {
  const std::pair<Scene, BufferLayout> mismatched[] = {
      {Fakes::MakeScene(0, 0, 7, 5.25), BufferLayout::Interleaved(3, KX_TYPE_U8)},
      {kScene, BufferLayout::Interleaved(1, KX_TYPE_U8)},
      {kScene, BufferLayout::Interleaved(3, KX_TYPE_U16)},
      {kScene, BufferLayout::Interleaved(3, KX_TYPE_F32)}};
  for (const auto& [scene, layout] : mismatched) {
    const uint32_t sourceType = layout.type == KX_TYPE_F32 ? KX_TYPE_F32 : KX_TYPE_U8;
    const OwnedDecodeBuffer source = Painted(BufferLayout::Interleaved(3, sourceType));
    OwnedDecodeBuffer other(scene, layout);
    EXPECT_EQ(copyBufferSamples(*other.get(), source.record()), KXV_SAMPLES_REFUSED)
        << layout.spp << " " << layout.type;
    EXPECT_EQ(other.bytes()[0], layout.fill);
  }
}

// A one-pixel background with a distinct value per band.
OwnedDecodeBuffer Background(uint32_t spp, uint32_t type) {
  OwnedDecodeBuffer pixel(Fakes::MakeScene(0, 0, 1, 1), BufferLayout::Interleaved(spp, type));
  for (uint32_t s = 0; s < spp; ++s) pixel.setSample(0, 0, s, 0x0101u * (s + 7) & (type == KX_TYPE_U8 ? 0xFF : 0xFFFF));
  return pixel;
}

// Fills a buffer of `layout` and gives the status, expecting the background
// in every sample after success and every sample untouched otherwise.
uint32_t Fill(const BufferLayout& layout, const OwnedDecodeBuffer& background) {
  OwnedDecodeBuffer destination(kScene, layout);
  const OwnedDecodeBuffer untouched(kScene, layout);
  const uint32_t status = fillWithBackground(*destination.get(), background.record());
  const std::string mismatch =
      Fakes::FirstSampleMismatch(destination.record(), [&](uint32_t x, uint32_t y, uint32_t s) {
        return status == KXV_SAMPLES_DONE ? background.sample(0, 0, s) : untouched.sample(x, y, s);
      });
  EXPECT_EQ(mismatch, "") << "type " << layout.type << ", status " << status;
  EXPECT_TRUE(destination.guardIntact());
  return status;
}

TEST(BufferSamples, FillsEveryRowOfEveryBandWithTheBackgroundOrWritesNothing) {
  for (uint32_t type : {KX_TYPE_U8, KX_TYPE_U16}) {
    EXPECT_EQ(Fill(BufferLayout::Scattered(type, 3), Background(3, type)), KXV_SAMPLES_DONE);
    EXPECT_EQ(Fill(BufferLayout::BandSequential(3, type), Background(3, type)), KXV_SAMPLES_DONE);
  }
  // Another band count or type: the background cannot be read as this buffer's pixel.
  EXPECT_EQ(Fill(BufferLayout::Interleaved(3, KX_TYPE_U8), Background(4, KX_TYPE_U8)), KXV_SAMPLES_LAYOUT_MISMATCH);
  EXPECT_EQ(Fill(BufferLayout::Interleaved(3, KX_TYPE_U8), Background(3, KX_TYPE_U16)), KXV_SAMPLES_LAYOUT_MISMATCH);
  // Signed and floating-point samples are not filled.
  for (uint32_t type : {KX_TYPE_S8, KX_TYPE_S16, KX_TYPE_F32})
    EXPECT_EQ(Fill(BufferLayout::Interleaved(3, type), Background(3, type)), KXV_SAMPLES_REFUSED);
  // Planes with a pixel stride are neither filled nor copied, nor copied from.
  BufferLayout strided = BufferLayout::BandSequential(3, KX_TYPE_U8);
  strided.rowPadding = 8;
  OwnedDecodeBuffer planes(kScene, strided), packed = Painted(BufferLayout::Interleaved(3, KX_TYPE_U8));
  planes.get()->format.stride = 2;
  EXPECT_EQ(fillWithBackground(*planes.get(), Background(3, KX_TYPE_U8).record()), KXV_SAMPLES_REFUSED);
  EXPECT_EQ(copyBufferSamples(*planes.get(), packed.record()), KXV_SAMPLES_REFUSED);
  EXPECT_EQ(copyBufferSamples(*packed.get(), planes.record()), KXV_SAMPLES_REFUSED);
  EXPECT_EQ(planes.bytes()[0], strided.fill);
  // A background whose sample map points past its one pixel is never read.
  OwnedDecodeBuffer background = Background(3, KX_TYPE_U8);
  background.get()->format.smap[2] = 64;
  EXPECT_EQ(Fill(BufferLayout::Interleaved(3, KX_TYPE_U8), background), KXV_SAMPLES_REFUSED);
}

}  // namespace
}  // namespace Kelvane
