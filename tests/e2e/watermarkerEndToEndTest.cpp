// The watermarker as a host uses it: created through the loaded module's
// class object, stamping a CMYK and a grey logo into the corner of an RGB
// decode. Both convert only through the transformer registry the module
// builds when it is loaded.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "fakes/decodeBufferBuilder.h"
#include "fakes/fakeUpstream.h"
#include "loadedModule.h"

namespace Kelvane {
namespace {

using Fakes::BufferLayout;
using Fakes::MakeScene;
using Fakes::OwnedDecodeBuffer;
using Sample = std::function<uint32_t(uint32_t x, uint32_t y, uint32_t s)>;

constexpr uint32_t kLogoWidth = 20;
constexpr uint32_t kLogoHeight = 12;

// A logo in `colorSpace` with `spp` samples whose sample s of pixel (x, y) is sample(x, y, s).
OwnedDecodeBuffer Logo(uint32_t colorSpace, uint32_t spp, const Sample& sample) {
  BufferLayout layout = BufferLayout::Interleaved(spp, KX_TYPE_U8);
  layout.colorSpace = colorSpace;
  OwnedDecodeBuffer logo(MakeScene(0, 0, kLogoWidth, kLogoHeight), layout);
  Fakes::ForEachSample(logo.record().scene, spp, [&](uint32_t x, uint32_t y, uint32_t s) {
    logo.setSample(x, y, s, sample(x, y, s));
    return true;
  });
  return logo;
}

using WatermarkerEndToEnd = LoadedModuleTest;

TEST_F(WatermarkerEndToEnd, TheLogoIsStampedInTheCornerInTheDecodesColourSpace) {
  Fakes::FakeUpstream* source = Fakes::FakeUpstream::Create();
  IKxContentImp* stage = module_.createStage(CLSID_KxvWatermarkerImp);
  auto* settings = Query<IKxWatermarkerImp>(stage, IID_IKxWatermarkerImp);
  auto* stamper = Query<IKxWatermarker>(settings, IID_IKxWatermarker);
  ASSERT_NE(stamper, nullptr);
  ASSERT_EQ(stage->SetContainedImp(source), S_OK);

  // Cyan ink on the left half of the CMYK logo, black ink on the right; a grey ramp.
  OwnedDecodeBuffer cmyk = Logo(KX_CS_CMYK, 4, [](uint32_t x, uint32_t, uint32_t s) {
    return (x < kLogoWidth / 2 ? s == 0 : s == 3) ? 255u : 0u;
  });
  OwnedDecodeBuffer grey = Logo(KX_CS_GREY, 1, [](uint32_t x, uint32_t y, uint32_t) { return 10 * x + y; });
  for (OwnedDecodeBuffer* logo : {&cmyk, &grey}) {
    // The logo as RGB pixels: the stamp on a buffer of its own size.
    OwnedDecodeBuffer asRgb(MakeScene(0, 0, kLogoWidth, kLogoHeight), BufferLayout::Interleaved(3, KX_TYPE_U8));
    ASSERT_EQ(stamper->Composite(asRgb.get(), logo->get(), KX_WATERMARK_REPLACE), S_OK);
    ASSERT_EQ(settings->SetWatermark(logo->get()), S_OK);
    OwnedDecodeBuffer tile(MakeScene(40, 30, 32, 25), BufferLayout::Interleaved(3, KX_TYPE_U8));
    ASSERT_EQ(stage->Decode(tile.get(), KXV_BEST_QUALITY, nullptr), S_OK);
    const uint32_t dx = 32 - kLogoWidth, dy = 25 - kLogoHeight;
    EXPECT_EQ(Fakes::FirstSampleMismatch(tile.record(),
                                         [&](uint32_t x, uint32_t y, uint32_t s) {
                                           return x >= dx && y >= dy
                                                      ? asRgb.sample(x - dx, y - dy, s)
                                                      : source->ExpectedSample(40 + x, 30 + y, s, 1.0, KX_TYPE_U8);
                                         }),
              "");
    // Grey becomes three equal bands; cyan lacks red, and black ink is dark.
    if (logo == &grey) {
      EXPECT_EQ(
          Fakes::FirstSampleMismatch(asRgb.record(), [&](uint32_t x, uint32_t y, uint32_t) { return 10 * x + y; }), "");
    } else {
      EXPECT_LT(asRgb.sample(0, 0, 0) + 100, std::min(asRgb.sample(0, 0, 1), asRgb.sample(0, 0, 2)));
      EXPECT_LT(asRgb.sample(kLogoWidth - 1, 0, 1), 80u);
    }
  }

  stamper->Release();
  settings->Release();
  EXPECT_EQ(module_.canUnloadNow(), S_FALSE);
  EXPECT_EQ(stage->Release(), 0u);
  EXPECT_EQ(source->Release(), 0u);
}

}  // namespace
}  // namespace Kelvane
