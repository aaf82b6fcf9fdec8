// A host that loads the module, runs every stage and unloads it, round after
// round, gets back everything the module allocated. Under LeakSanitizer each
// round is checked as soon as the module is unloaded.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#define KX_TEST_CHECKS_LEAKS 1
#endif

#include "fakes/decodeBufferBuilder.h"
#include "fakes/fakeUpstream.h"
#include "helpers/simdTargetSupport.h"
#include "helpers/supportTestDir.h"
#include "loadedModule.h"

namespace Kelvane {
namespace {

using Fakes::BufferLayout;
using Fakes::MakeScene;
using Fakes::OwnedDecodeBuffer;

// A logo of `spp` samples in host colour space `colorSpace`, every sample set.
OwnedDecodeBuffer Logo(uint32_t colorSpace, uint32_t spp) {
  BufferLayout layout = BufferLayout::Interleaved(spp, KX_TYPE_U8);
  layout.colorSpace = colorSpace;
  OwnedDecodeBuffer logo(MakeScene(0, 0, 8, 4), layout);
  Fakes::ForEachSample(logo.record().scene, spp, [&](uint32_t x, uint32_t y, uint32_t s) {
    logo.setSample(x, y, s, (40 * x + 30 * y + 70 * s) % 256);
    return true;
  });
  return logo;
}

template <typename Interface>
struct Held {
  Interface* pointer;
  ~Held() {
    if (pointer != nullptr) pointer->Release();
  }
  Interface* operator->() const { return pointer; }
};

// Source, cache, replacer, transposer (a quarter turn) and watermarker (a
// CMYK logo) chained and decoded once; the watermarker then converts YIQK
// and grey logos onto RGB and an RGB logo onto grey; the selector picks
// three of seven bands.
void RunEveryStage(const LoadedModule& module, const std::string& cacheDirectory) {
  Held<Fakes::FakeUpstream> source{Fakes::FakeUpstream::Create(Fakes::FakeUpstreamConfig())};
  Held<IKxContentImp> cache{module.createStage(CLSID_KxvPersistantPixelCache)};
  Held<IKxContentImp> replacer{module.createStage(CLSID_KxvPixelReplacerImp)};
  Held<IKxContentImp> transposer{module.createStage(CLSID_KxvTransposerImp)};
  Held<IKxContentImp> watermarker{module.createStage(CLSID_KxvWatermarkerImp)};
  ASSERT_TRUE(cache.pointer && replacer.pointer && transposer.pointer && watermarker.pointer);
  ASSERT_EQ(cache->SetContainedImp(source.pointer), S_OK);
  ASSERT_EQ(replacer->SetContainedImp(cache.pointer), S_OK);
  ASSERT_EQ(transposer->SetContainedImp(replacer.pointer), S_OK);
  ASSERT_EQ(watermarker->SetContainedImp(transposer.pointer), S_OK);

  Held<IKxPersistantPixelCache> cacheSettings{
      Query<IKxPersistantPixelCache>(cache.pointer, IID_IKxPersistantPixelCache)};
  ASSERT_EQ(cacheSettings->SetCacheDirectory(cacheDirectory.c_str()), S_OK);
  ASSERT_EQ(cacheSettings->SetTileSize(32, 32), S_OK);
  Held<IKxPixelReplacerImp> replacement{Query<IKxPixelReplacerImp>(replacer.pointer, IID_IKxPixelReplacerImp)};
  const uint8_t black[3] = {0, 0, 0}, white[3] = {255, 255, 255};
  const BufferFormat rgb8 = Fakes::MakeDecodeRecord(MakeScene(0, 0, 1, 1), BufferLayout()).format;
  ASSERT_EQ(replacement->SetReplacement(&rgb8, black, white), S_OK);
  Held<IKxTransposerImp> turn{Query<IKxTransposerImp>(transposer.pointer, IID_IKxTransposerImp)};
  ASSERT_EQ(turn->SetRotation(90), S_OK);
  Held<IKxWatermarkerImp> stamp{Query<IKxWatermarkerImp>(watermarker.pointer, IID_IKxWatermarkerImp)};
  OwnedDecodeBuffer cmykLogo = Logo(KX_CS_CMYK, 4);
  ASSERT_EQ(stamp->SetWatermark(cmykLogo.get()), S_OK);
  ASSERT_EQ(watermarker->Initialize(), S_OK);
  OwnedDecodeBuffer tile(MakeScene(0, 0, 64, 48), BufferLayout::Interleaved(3, KX_TYPE_U8));
  ASSERT_EQ(watermarker->Decode(tile.get(), KXV_BEST_QUALITY, nullptr), S_OK);

  Held<IKxWatermarker> composite{Query<IKxWatermarker>(watermarker.pointer, IID_IKxWatermarker)};
  for (const auto& [colorSpace, spp, destinationSpp] :
       {std::tuple{KX_CS_YIQK, 4u, 3u}, std::tuple{KX_CS_GREY, 1u, 3u}, std::tuple{KX_CS_RGB, 3u, 1u}}) {
    OwnedDecodeBuffer logo = Logo(colorSpace, spp);
    OwnedDecodeBuffer destination(MakeScene(0, 0, 40, 8), BufferLayout::Interleaved(destinationSpp, KX_TYPE_U8));
    EXPECT_EQ(composite->Composite(destination.get(), logo.get(), KX_WATERMARK_REPLACE), S_OK) << colorSpace;
  }

  Fakes::FakeUpstreamConfig sevenBands;
  sevenBands.numBands = 7;
  sevenBands.colorSpace = KX_CS_MULTIBAND;
  sevenBands.hasBandSelect = true;
  Held<Fakes::FakeUpstream> bands{Fakes::FakeUpstream::Create(sevenBands)};
  Held<IKxContentImp> selector{module.createStage(CLSID_KxvMultibandSelectorImp)};
  ASSERT_EQ(selector->SetContainedImp(bands.pointer), S_OK);
  Held<IKxMultibandSelector> selection{Query<IKxMultibandSelector>(selector.pointer, IID_IKxMultibandSelector)};
  const uint16_t map[3] = {3, 2, 1};
  ASSERT_EQ(selection->SetBands(map, 3), S_OK);
  OwnedDecodeBuffer picked(MakeScene(0, 0, 16, 16), BufferLayout::Interleaved(3, KX_TYPE_U8));
  EXPECT_EQ(selector->Decode(picked.get(), KXV_BEST_QUALITY, nullptr), S_OK);
}

// Each round runs on a thread of its own that has ended before the leak
// check, so no stale copy of a pointer in a register or stack slot of the
// round can make a lost allocation look reachable.
TEST(ModuleUnload, EveryRoundOfLoadUseAndUnloadFreesWhatTheModuleAllocated) {
  SupportTestDir directory;
  testing_support::forEachSimdTarget([&] {
    for (int round = 0; round < 3; ++round) {
      std::thread([&] {
        LoadedModule module;
        ASSERT_TRUE(module.loaded()) << module.error;
        RunEveryStage(module, directory / ("cache" + std::to_string(round)));
        EXPECT_EQ(module.canUnloadNow(), S_OK);
      }).join();
#if KX_TEST_CHECKS_LEAKS
      EXPECT_EQ(__lsan_do_recoverable_leak_check(), 0) << "round " << round;
#endif
    }
  });
}

}  // namespace
}  // namespace Kelvane
