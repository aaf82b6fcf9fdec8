// The pixel replacer as a host uses it: created through the loaded module's
// class object, replacing a colour in decodes and overlaying a keyed buffer,
// and letting the module unload once released.
#include <gtest/gtest.h>

#include "fakes/decodeBufferBuilder.h"
#include "fakes/fakeUpstream.h"
#include "loadedModule.h"

namespace Kelvane {
namespace {

using Fakes::BufferLayout;
using Fakes::MakeScene;
using Fakes::OwnedDecodeBuffer;

using PixelReplacerEndToEnd = LoadedModuleTest;

TEST_F(PixelReplacerEndToEnd, CreatedThroughTheModuleReplacesAColourAndOverlaysAKeyedBuffer) {
  Fakes::FakeUpstream* source = Fakes::FakeUpstream::Create();

  IKxContentImp* stage = module_.createStage(CLSID_KxvPixelReplacerImp);
  ASSERT_NE(stage, nullptr);
  // Both identifiers of the buffer operations give the one extended table.
  auto* first = Query<IKxPixelReplacer>(stage, IID_IKxPixelReplacer);
  auto* buffers = Query<IKxPixelReplacer2>(first, IID_IKxPixelReplacer2);
  auto* settings = Query<IKxPixelReplacerImp>(buffers, IID_IKxPixelReplacerImp);
  ASSERT_NE(settings, nullptr);
  EXPECT_EQ(static_cast<void*>(first), static_cast<void*>(buffers));

  // The colour of source pixel (0, 0), which recurs along the image, becomes magenta wherever it is decoded.
  ASSERT_EQ(stage->SetContainedImp(source), S_OK);
  uint8_t from[3], magenta[3] = {255, 0, 255};
  for (uint32_t s = 0; s < 3; ++s) from[s] = static_cast<uint8_t>(source->ExpectedSample(0, 0, s, 1.0, KX_TYPE_U8));
  BufferFormat format{};
  format.spp = 3;
  format.bps = 8;
  ASSERT_EQ(settings->SetReplacement(&format, from, magenta), S_OK);
  OwnedDecodeBuffer overlay(MakeScene(0, 0, 64, 16), BufferLayout::Interleaved(3, KX_TYPE_U8));
  ASSERT_EQ(stage->Decode(overlay.get(), KXV_BEST_QUALITY, nullptr), S_OK);
  const auto isFrom = [&](uint32_t x, uint32_t y) {
    bool same = true;
    for (uint32_t s = 0; s < 3; ++s) same &= source->ExpectedSample(x, y, s, 1.0, KX_TYPE_U8) == from[s];
    return same;
  };
  EXPECT_EQ(Fakes::FirstSampleMismatch(overlay.record(),
                                       [&](uint32_t x, uint32_t y, uint32_t s) {
                                         return isFrom(x, y) ? magenta[s]
                                                             : source->ExpectedSample(x, y, s, 1.0, KX_TYPE_U8);
                                       }),
            "");

  // Overlaid on a grey base, the magenta key lets the base through and every other pixel covers it.
  OwnedDecodeBuffer base(MakeScene(0, 0, 64, 16), BufferLayout::Interleaved(3, KX_TYPE_U8));
  ASSERT_EQ(buffers->ReplaceKeyColor(base.get(), overlay.get(), magenta), S_OK);
  EXPECT_EQ(Fakes::FirstSampleMismatch(
                base.record(),
                [&](uint32_t x, uint32_t y, uint32_t s) { return isFrom(x, y) ? 0xCDu : overlay.sample(x, y, s); }),
            "");

  settings->Release();
  buffers->Release();
  first->Release();
  EXPECT_EQ(module_.canUnloadNow(), S_FALSE);
  EXPECT_EQ(stage->Release(), 0u);
  EXPECT_EQ(source->Release(), 0u);
}

}  // namespace
}  // namespace Kelvane
