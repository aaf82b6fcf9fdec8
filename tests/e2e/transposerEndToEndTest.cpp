// The transposer as a host uses it: created through the loaded module's class
// object, configured through its own interfaces, turning a source's pixels,
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

using TransposerEndToEnd = LoadedModuleTest;

TEST_F(TransposerEndToEnd, CreatedThroughTheModuleTurnsTheSourceAQuarterBack) {
  Fakes::FakeUpstreamConfig config;
  config.width = 200;
  config.height = 120;
  config.type = KX_TYPE_U16;
  config.bitsPerSample = 16;
  Fakes::FakeUpstream* source = Fakes::FakeUpstream::Create(config);

  // Create, chain and turn a quarter counter-clockwise, in the order a host does.
  IKxContentImp* stage = module_.createStage(CLSID_KxvTransposerImp);
  auto* settings = Query<IKxTransposerImp>(stage, IID_IKxTransposerImp);
  auto* transposer = Query<IKxTransposer>(settings, IID_IKxTransposer);
  ASSERT_NE(transposer, nullptr);
  ASSERT_EQ(stage->SetContainedImp(source), S_OK);
  ASSERT_EQ(settings->SetRotation(270), S_OK);
  ASSERT_EQ(stage->Initialize(), S_OK);
  RasterProps props;
  ASSERT_EQ(stage->GetRasterProps(&props), S_OK);
  EXPECT_EQ(props.width, 120u);
  EXPECT_EQ(props.height, 200u);

  // Turned pixel (x, y) is source pixel (199 - y, x); turning that tile back
  // a quarter clockwise gives the source's own scene.
  OwnedDecodeBuffer tile(MakeScene(30, 150, 40, 50), BufferLayout::Interleaved(3, KX_TYPE_U16));
  ASSERT_EQ(stage->Decode(tile.get(), KXV_BEST_QUALITY, nullptr), S_OK);
  EXPECT_EQ(Fakes::FirstSampleMismatch(tile.record(),
                                       [&](uint32_t x, uint32_t y, uint32_t s) {
                                         return source->ExpectedSample(199 - (150 + y), 30 + x, s, 1.0, KX_TYPE_U16);
                                       }),
            "");
  OwnedDecodeBuffer back(MakeScene(0, 30, 50, 40), BufferLayout::Interleaved(3, KX_TYPE_U16));
  ASSERT_EQ(transposer->Transpose(tile.get(), back.get(), 90), S_OK);
  EXPECT_EQ(source->FirstMismatch(back.record()), "");

  transposer->Release();
  settings->Release();
  EXPECT_EQ(module_.canUnloadNow(), S_FALSE);
  EXPECT_EQ(stage->Release(), 0u);
  EXPECT_EQ(source->Release(), 0u);
}

}  // namespace
}  // namespace Kelvane
