// The watermarker: where Composite puts the stamp in every layout, what it
// refuses without writing, the copy SetWatermark keeps, and the stamp every
// decode gets while the host may be changing it.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <functional>
#include <thread>
#include <vector>

#include "fakes/decodeBufferBuilder.h"
#include "fakes/fakeUpstream.h"
#include "fakes/syntheticSamples.h"
#include "raster/standardTransformers.h"
#include "raster/transformerRegistry.h"
#include "stages/stageOverFakeUpstream.h"
#include "stages/watermarker/kxv_watermarkerImp.h"

namespace Kelvane {
namespace {

using Fakes::BufferLayout;
using Fakes::MakeScene;
using Fakes::OwnedDecodeBuffer;
using Sample = std::function<uint32_t(uint32_t x, uint32_t y, uint32_t s)>;

// Watermark sample values: small whole numbers, exact in every sample type.
uint32_t LogoSample(uint32_t x, uint32_t y, uint32_t s, uint32_t type) {
  return Fakes::EncodeSampleBits((x * 3 + y * 7 + s * 50) % 200 + 1, type);
}

OwnedDecodeBuffer Logo(double width, double height, const BufferLayout& layout) {
  OwnedDecodeBuffer logo(MakeScene(0, 0, width, height), layout);
  Fakes::ForEachSample(logo.record().scene, layout.spp, [&](uint32_t x, uint32_t y, uint32_t s) {
    logo.setSample(x, y, s, LogoSample(x, y, s, layout.type));
    return true;
  });
  return logo;
}

// Interleaved with a spare slot, reversed bands and padded rows (each row
// starting on a whole sample of any type).
BufferLayout Scattered(uint32_t type) {
  BufferLayout layout = BufferLayout::Interleaved(3, type);
  layout.stride = 4;
  layout.slots = {2, 1, 0};
  layout.align = 8;
  layout.rowPadding = 4;
  return layout;
}

// The stamp `stamp` over columns dx .. dx + width - 1 and rows dy .. dy +
// height - 1, and `elsewhere` everywhere else.
Sample Stamped(uint32_t dx, uint32_t dy, uint32_t width, uint32_t height, Sample stamp, Sample elsewhere) {
  return [=](uint32_t x, uint32_t y, uint32_t s) {
    const bool inside = x >= dx && y >= dy && x - dx < width && y - dy < height;
    return inside ? stamp(x - dx, y - dy, s) : elsewhere(x, y, s);
  };
}

// The bit pattern of a buffer's untouched fill bytes.
Sample Fill(uint32_t type) {
  const uint32_t bits = type == KX_TYPE_U8 ? 0xCDu : type == KX_TYPE_U16 ? 0xCDCDu : 0xCDCDCDCDu;
  return [bits](uint32_t, uint32_t, uint32_t) { return bits; };
}

Sample LogoOf(uint32_t type) {
  return [type](uint32_t x, uint32_t y, uint32_t s) { return LogoSample(x, y, s, type); };
}

// The stage over a fake upstream, with the registry the module builds at attach.
class Watermarker : public StageOverFakeUpstream<KxvWatermarkerImp> {
 protected:
  void SetUp() override {
    ASSERT_TRUE(buildTransformerRegistry());
    StageOverFakeUpstream::SetUp();
  }
  void TearDown() override {
    StageOverFakeUpstream::TearDown();
    clearRegistry();
  }
  // What the upstream decodes into `buffer`, sample by sample.
  Sample Upstream(const OwnedDecodeBuffer& buffer) const {
    const Scene scene = buffer.record().scene;
    const uint32_t type = buffer.record().format.type;
    return [this, scene, type](uint32_t x, uint32_t y, uint32_t s) {
      return source_->ExpectedSample(int64_t(scene.ulx) + x, int64_t(scene.uly) + y, s, scene.mag, type);
    };
  }
};

TEST_F(Watermarker, CompositeStampsTheBottomRightCornerInEveryLayout) {
  struct Case {
    const char* name;
    double width, height;  // destination
    BufferLayout layout;
    double logoWidth, logoHeight;
    BufferLayout logoLayout;
    uint32_t dx, dy, stampWidth, stampHeight;
  };
  const BufferLayout rgb8 = BufferLayout::Interleaved(3, KX_TYPE_U8);
  const Case cases[] = {
      {"64x32 in 256x256", 256, 256, rgb8, 64, 32, rgb8, 192, 224, 64, 32},
      {"wider than the buffer: its left part", 256, 256, rgb8, 300, 20, rgb8, 0, 236, 256, 20},
      {"taller, fractional sizes truncated", 50.4, 10, rgb8, 20.7, 30, rgb8, 29, 0, 20, 10},
      {"pixels with a spare slot step by their stride", 40, 30, Scattered(KX_TYPE_U8), 16, 8,
       BufferLayout::BandSequential(3, KX_TYPE_U8), 24, 22, 16, 8},
      {"band-sequential 16-bit", 40, 30, BufferLayout::BandSequential(3, KX_TYPE_U16), 16, 8,
       BufferLayout::Interleaved(3, KX_TYPE_U16), 24, 22, 16, 8},
      {"32-bit float", 40, 30, BufferLayout::Interleaved(3, KX_TYPE_F32), 16, 8, Scattered(KX_TYPE_F32), 24, 22, 16, 8},
  };
  for (const Case& c : cases) {
    OwnedDecodeBuffer destination(MakeScene(0, 0, c.width, c.height), c.layout);
    OwnedDecodeBuffer logo = Logo(c.logoWidth, c.logoHeight, c.logoLayout);
    ASSERT_EQ(stage_->Composite(destination.get(), logo.get(), KX_WATERMARK_REPLACE), S_OK) << c.name;
    const uint32_t type = c.layout.type;
    EXPECT_EQ(Fakes::FirstSampleMismatch(destination.record(),
                                         Stamped(c.dx, c.dy, c.stampWidth, c.stampHeight, LogoOf(type), Fill(type))),
              "")
        << c.name;
    EXPECT_TRUE(destination.guardIntact()) << c.name;
  }
}

TEST_F(Watermarker, GreyWatermarkOverRgbGivesThreeEqualBands) {
  OwnedDecodeBuffer destination(MakeScene(0, 0, 30, 20), BufferLayout::Interleaved(3, KX_TYPE_U8));
  OwnedDecodeBuffer logo = Logo(10, 5, BufferLayout::Interleaved(1, KX_TYPE_U8));
  ASSERT_EQ(stage_->Composite(destination.get(), logo.get(), KX_WATERMARK_REPLACE), S_OK);
  const Sample grey = [](uint32_t x, uint32_t y, uint32_t) { return LogoSample(x, y, 0, KX_TYPE_U8); };
  EXPECT_EQ(Fakes::FirstSampleMismatch(destination.record(), Stamped(20, 15, 10, 5, grey, Fill(KX_TYPE_U8))), "");
}

TEST_F(Watermarker, CompositeRefusesWithoutWritingAPixel) {
  using Spoil = void (*)(DecodeBuffer&);
  const Spoil keep = [](DecodeBuffer&) {};
  BufferLayout rgbk = BufferLayout::Interleaved(4, KX_TYPE_U8);
  rgbk.colorSpace = KX_CS_RGBK;
  BufferLayout oddRows = BufferLayout::Interleaved(3, KX_TYPE_U16);
  oddRows.rowPadding = 1;
  BufferLayout oddSample = BufferLayout::Interleaved(3, KX_TYPE_U16);
  oddSample.stride = 4;
  struct Case {
    const char* name;
    BufferLayout layout;  // destination; the watermark is RGB 8-bit unless spoilt
    Spoil spoilDestination, spoilLogo;
    uint32_t mode;
    HRESULT status;
  };
  const BufferLayout rgb8 = BufferLayout::Interleaved(3, KX_TYPE_U8);
  const Case cases[] = {
      {"destination without memory", rgb8, [](DecodeBuffer& b) { b.pBits = nullptr; }, keep, 0, E_INVALIDARG},
      {"watermark without memory", rgb8, keep, [](DecodeBuffer& b) { b.pBits = nullptr; }, 0, S_OK},
      {"another mode", rgb8, keep, keep, 1, E_FAIL},
      {"no transformer from RGB to RGBK", rgbk, keep, keep, 0, E_FAIL},
      {"unknown colour spaces", rgb8, [](DecodeBuffer& b) { b.format.colorSpace = 2; },
       [](DecodeBuffer& b) { b.format.colorSpace = 2; }, 0, E_FAIL},
      {"destination rows shorter than their pixels", rgb8, [](DecodeBuffer& b) { b.format.rowbytes -= 1; }, keep, 0,
       E_INVALIDARG},
      {"watermark rows shorter than their pixels", rgb8, keep, [](DecodeBuffer& b) { b.format.rowbytes -= 1; }, 0,
       E_INVALIDARG},
      {"a watermark width that is not a number", rgb8, keep, [](DecodeBuffer& b) { b.scene.width = std::nan(""); }, 0,
       E_INVALIDARG},
      {"RGB named over two samples", rgb8, [](DecodeBuffer& b) { b.format.spp = 2; }, keep, 0, E_INVALIDARG},
      {"band-sequential pixels three samples apart", BufferLayout::BandSequential(3, KX_TYPE_U8),
       [](DecodeBuffer& b) { b.format.stride = 3; }, keep, 0, E_INVALIDARG},
      {"16-bit rows starting inside a sample", oddRows, keep, keep, 0, E_INVALIDARG},
      {"a 16-bit sample at an odd offset", oddSample,
       [](DecodeBuffer& b) {
         b.format.smap[1] = 3;
         b.format.smap[2] = 6;
       },
       keep, 0, E_INVALIDARG},
  };
  for (const Case& c : cases) {
    OwnedDecodeBuffer destination(MakeScene(0, 0, 40, 30), c.layout);
    OwnedDecodeBuffer logo = Logo(16, 8, rgb8);
    const std::vector<uint8_t> before(destination.bytes(), destination.bytes() + destination.byteSize());
    DecodeBuffer target = destination.record();
    DecodeBuffer watermark = logo.record();
    c.spoilDestination(target);
    c.spoilLogo(watermark);
    EXPECT_EQ(stage_->Composite(&target, &watermark, c.mode), c.status) << c.name;
    EXPECT_EQ(std::vector<uint8_t>(destination.bytes(), destination.bytes() + destination.byteSize()), before)
        << c.name;
    EXPECT_TRUE(destination.guardIntact()) << c.name;
  }
  OwnedDecodeBuffer logo = Logo(16, 8, rgb8);
  EXPECT_EQ(stage_->Composite(nullptr, logo.get(), 0), E_INVALIDARG);
  EXPECT_EQ(stage_->Composite(logo.get(), nullptr, 0), S_OK);
}

TEST_F(Watermarker, SetWatermarkKeepsItsOwnCopyOfAnyLayout) {
  BufferLayout padded = BufferLayout::Interleaved(3, KX_TYPE_U8);
  padded.align = 8;
  padded.rowPadding = 37;  // rows far longer than the copy's
  BufferLayout folded = BufferLayout::Interleaved(3, KX_TYPE_U8);
  folded.stride = 4;
  folded.slots = {0, 2, 3};  // offsets 2 and 3 fall on one slot when divided by their smallest distance
  const BufferLayout layouts[] = {padded,
                                  folded,
                                  Scattered(KX_TYPE_U8),
                                  BufferLayout::BandSequential(3, KX_TYPE_U8),
                                  BufferLayout::Interleaved(3, KX_TYPE_U16),
                                  Scattered(KX_TYPE_F32)};
  for (const BufferLayout& layout : layouts) {
    OwnedDecodeBuffer logo = Logo(12, 7, layout);
    ASSERT_EQ(stage_->SetWatermark(logo.get()), S_OK);
    std::memset(logo.bytes(), 0x77, logo.byteSize());  // the host reuses its memory
    OwnedDecodeBuffer tile(MakeScene(0, 0, 20, 10), BufferLayout::Interleaved(3, layout.type));
    ASSERT_EQ(DecodeInto(tile), S_OK);
    EXPECT_EQ(Fakes::FirstSampleMismatch(tile.record(), Stamped(8, 3, 12, 7, LogoOf(layout.type), Upstream(tile))), "")
        << "slots " << layout.slots.size() << ", order " << layout.order << ", type " << layout.type;
  }
}

TEST_F(Watermarker, RefusedSettingsKeepTheWatermarkStamped) {
  OwnedDecodeBuffer logo = Logo(12, 7, BufferLayout::Interleaved(3, KX_TYPE_U8));
  ASSERT_EQ(stage_->SetWatermark(logo.get()), S_OK);
  // A record whose rows cannot hold its pixels, over a single byte: any read of its declared rows would overrun.
  std::vector<uint8_t> oneByte(1);
  DecodeBuffer shortRows = logo.record();
  shortRows.pBits = oneByte.data();
  shortRows.format.rowbytes = 2;
  DecodeBuffer noMemory = logo.record();
  noMemory.pBits = nullptr;
  EXPECT_EQ(stage_->SetWatermark(nullptr), E_FAIL);
  EXPECT_EQ(stage_->SetWatermark(&noMemory), E_INVALIDARG);
  EXPECT_EQ(stage_->SetWatermark(&shortRows), E_INVALIDARG);
  EXPECT_EQ(stage_->SetWatermarkMode(1), E_INVALIDARG);
  EXPECT_EQ(stage_->SetWatermarkMode(KX_WATERMARK_REPLACE), S_OK);

  OwnedDecodeBuffer tile(MakeScene(0, 0, 20, 10), BufferLayout::Interleaved(3, KX_TYPE_U8));
  ASSERT_EQ(DecodeInto(tile), S_OK);
  EXPECT_EQ(Fakes::FirstSampleMismatch(tile.record(), Stamped(8, 3, 12, 7, LogoOf(KX_TYPE_U8), Upstream(tile))), "");
}

TEST_F(Watermarker, EveryDecodedSceneGetsItsOwnStampAndFailuresNone) {
  // Before any watermark the upstream's pixels come back as they are.
  OwnedDecodeBuffer plain(MakeScene(5, 6, 30, 20), BufferLayout::Interleaved(3, KX_TYPE_U8));
  ASSERT_EQ(DecodeInto(plain), S_OK);
  EXPECT_EQ(source_->FirstMismatch(plain.record()), "");

  OwnedDecodeBuffer logo = Logo(12, 7, BufferLayout::Interleaved(3, KX_TYPE_U8));
  ASSERT_EQ(stage_->SetWatermark(logo.get()), S_OK);
  const Scene scenes[] = {MakeScene(0, 0, 64, 64), MakeScene(64, 32, 30, 20), MakeScene(10, 10, 8, 5, 0.5)};
  for (const Scene& scene : scenes) {
    OwnedDecodeBuffer tile(scene, BufferLayout::Interleaved(3, KX_TYPE_U8));
    ASSERT_EQ(DecodeInto(tile), S_OK);
    const uint32_t dx = scene.width > 12 ? uint32_t(scene.width) - 12 : 0;
    const uint32_t dy = scene.height > 7 ? uint32_t(scene.height) - 7 : 0;
    EXPECT_EQ(Fakes::FirstSampleMismatch(tile.record(), Stamped(dx, dy, 12, 7, LogoOf(KX_TYPE_U8), Upstream(tile))), "")
        << scene.ulx << "," << scene.uly;
  }

  // A failed decode comes back unstamped with the upstream's status.
  source_->failDecode(KX_E_NO_PIXEL_MEMORY);
  OwnedDecodeBuffer failed(MakeScene(0, 0, 20, 10), BufferLayout::Interleaved(3, KX_TYPE_U8));
  EXPECT_EQ(DecodeInto(failed), KX_E_NO_PIXEL_MEMORY);
  EXPECT_EQ(Fakes::FirstSampleMismatch(failed.record(), Fill(KX_TYPE_U8)), "");
}

TEST_F(Watermarker, WatermarkReplacedDuringDecodesNeverTearsAStamp) {
  // Two one-colour watermarks set in turn while two threads decode: every stamp is wholly one of them.
  BufferLayout grey = BufferLayout::Interleaved(1, KX_TYPE_U8);
  grey.fill = 0x11;
  OwnedDecodeBuffer first(MakeScene(0, 0, 16, 16), grey);
  grey.fill = 0x22;
  OwnedDecodeBuffer second(MakeScene(0, 0, 16, 16), grey);
  ASSERT_EQ(stage_->SetWatermark(first.get()), S_OK);
  std::atomic<int> torn{0};
  std::atomic<bool> done{false};
  const auto decodeRepeatedly = [&] {
    for (int i = 0; i < 60; ++i) {
      OwnedDecodeBuffer tile(MakeScene(0, 0, 24, 24), BufferLayout::Interleaved(3, KX_TYPE_U8));
      const uint32_t corner = DecodeInto(tile) == S_OK ? tile.sample(8, 8, 0) : 0;
      const Sample whole = Stamped(
          8, 8, 16, 16, [corner](uint32_t, uint32_t, uint32_t) { return corner; }, Upstream(tile));
      if ((corner != 0x11 && corner != 0x22) || !Fakes::FirstSampleMismatch(tile.record(), whole).empty()) ++torn;
    }
  };
  std::thread a(decodeRepeatedly), b(decodeRepeatedly);
  std::thread setter([&] {
    for (int i = 0; !done; ++i) stage_->SetWatermark((i % 2 != 0 ? first : second).get());
  });
  a.join();
  b.join();
  done = true;
  setter.join();
  EXPECT_EQ(torn, 0);
}

}  // namespace
}  // namespace Kelvane
