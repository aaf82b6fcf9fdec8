// The watermarker: where Composite puts the stamp in every layout, what it
// refuses without writing, the copy SetWatermark keeps, and the stamp every
// decode gets while the host may be changing it.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <functional>
#include <thread>
#include <vector>

#include "fakes/syntheticSamples.h"
#include "raster/colorSpace/standardTransformers.h"
#include "raster/colorSpace/transformerRegistry.h"
#include "stages/stageOverFakeUpstream.h"
#include "stages/watermarker/kxv_watermarkerImp.h"

namespace Kelvane {
namespace {

using Fakes::BufferLayout;
using Fakes::MakeScene;
using Fakes::OwnedDecodeBuffer;
using Sample = std::function<uint32_t(uint32_t x, uint32_t y, uint32_t s)>;
const BufferLayout kRgb8 = BufferLayout::Interleaved(3, KX_TYPE_U8);

// Watermark samples of a type: small whole numbers, exact in every type.
Sample LogoOf(uint32_t type) {
  return [type](uint32_t x, uint32_t y, uint32_t s) {
    return Fakes::EncodeSampleBits((3 * x + 7 * y + 50 * s) % 200 + 1, type);
  };
}

OwnedDecodeBuffer Logo(double width, double height, const BufferLayout& layout) {
  OwnedDecodeBuffer logo(MakeScene(0, 0, width, height), layout);
  Fakes::ForEachSample(logo.record().scene, layout.spp, [&](uint32_t x, uint32_t y, uint32_t s) {
    logo.setSample(x, y, s, LogoOf(layout.type)(x, y, s));
    return true;
  });
  return logo;
}

// `stamp` over the width x height pixels from (dx, dy), `elsewhere` around it.
Sample Stamped(uint32_t dx, uint32_t dy, uint32_t width, uint32_t height, Sample stamp, Sample elsewhere) {
  return [=](uint32_t x, uint32_t y, uint32_t s) {
    const bool inside = x >= dx && y >= dy && x - dx < width && y - dy < height;
    return inside ? stamp(x - dx, y - dy, s) : elsewhere(x, y, s);
  };
}

// The stage over a fake upstream, with the registry the module builds at attach.
class Watermarker : public StageOverFakeUpstream<KxvWatermarkerImp> {
 protected:
  void SetUp() override {
    ASSERT_TRUE(buildTransformerRegistry());
    StageOverFakeUpstream::SetUp();
    Chain();
  }
  void TearDown() override {
    StageOverFakeUpstream::TearDown();
    clearRegistry();
  }
  // A 20 x 10 RGB decode, and whether it holds `stamp` at (8, 3) over the upstream's pixels.
  OwnedDecodeBuffer DecodedTile(uint32_t type) {
    OwnedDecodeBuffer tile(MakeScene(0, 0, 20, 10), BufferLayout::Interleaved(3, type));
    EXPECT_EQ(DecodeInto(tile), S_OK);
    return tile;
  }
  std::string StampMismatch(const OwnedDecodeBuffer& tile, Sample stamp) {
    const uint32_t type = tile.record().format.type;
    return Fakes::FirstSampleMismatch(tile.record(),
                                      Stamped(8, 3, 12, 7, stamp, [&](uint32_t x, uint32_t y, uint32_t s) {
                                        return source_->ExpectedSample(x, y, s, 1.0, type);
                                      }));
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
  const Case cases[] = {
      {"64x32 in 256x256", 256, 256, kRgb8, 64, 32, kRgb8, 192, 224, 64, 32},
      {"wider than the buffer: its left part", 256, 256, kRgb8, 300, 20, kRgb8, 0, 236, 256, 20},
      {"taller, fractional sizes truncated", 50.4, 10, kRgb8, 20.7, 30, kRgb8, 29, 0, 20, 10},
      {"pixels with a spare slot step by their stride", 40, 30, BufferLayout::Scattered(KX_TYPE_U8, 4), 16, 8,
       BufferLayout::BandSequential(3, KX_TYPE_U8), 24, 22, 16, 8},
      {"band-sequential 16-bit", 40, 30, BufferLayout::BandSequential(3, KX_TYPE_U16), 16, 8,
       BufferLayout::Interleaved(3, KX_TYPE_U16), 24, 22, 16, 8},
      {"32-bit float", 40, 30, BufferLayout::Interleaved(3, KX_TYPE_F32), 16, 8,
       BufferLayout::Scattered(KX_TYPE_F32, 4), 24, 22, 16, 8},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    OwnedDecodeBuffer destination(MakeScene(0, 0, c.width, c.height), c.layout);
    OwnedDecodeBuffer logo = Logo(c.logoWidth, c.logoHeight, c.logoLayout);
    ASSERT_EQ(stage_->Composite(destination.get(), logo.get(), KX_WATERMARK_REPLACE), S_OK);
    // Around the stamp, the bit pattern of the buffer's untouched fill bytes.
    const uint32_t type = c.layout.type, fill = type == KX_TYPE_U8    ? 0xCDu
                                                : type == KX_TYPE_U16 ? 0xCDCDu
                                                                      : 0xCDCDCDCDu;
    const Sample untouched = [fill](uint32_t, uint32_t, uint32_t) { return fill; };
    EXPECT_EQ(Fakes::FirstSampleMismatch(destination.record(),
                                         Stamped(c.dx, c.dy, c.stampWidth, c.stampHeight, LogoOf(type), untouched)),
              "");
    EXPECT_TRUE(destination.guardIntact());
  }
}

TEST_F(Watermarker, CompositeRefusesWithoutWritingAPixel) {
  using Spoil = void (*)(DecodeBuffer&);
  const Spoil keep = [](DecodeBuffer&) {};
  BufferLayout rgbk = BufferLayout::Interleaved(4, KX_TYPE_U8), oddRows = BufferLayout::Interleaved(3, KX_TYPE_U16);
  rgbk.colorSpace = KX_CS_RGBK;
  oddRows.rowPadding = 1;
  const struct {
    const char* name;
    BufferLayout layout;  // destination's; the watermark is 8-bit RGB
    Spoil spoilDestination, spoilLogo;
    uint32_t mode;
    HRESULT status;
  } cases[] = {
      {"destination without memory", kRgb8, [](DecodeBuffer& b) { b.pBits = nullptr; }, keep, 0, E_INVALIDARG},
      {"watermark without memory", kRgb8, keep, [](DecodeBuffer& b) { b.pBits = nullptr; }, 0, S_OK},
      {"another mode", kRgb8, keep, keep, 1, E_FAIL},
      {"no transformer from RGB to RGBK", rgbk, keep, keep, 0, E_FAIL},
      {"unknown colour spaces", kRgb8, [](DecodeBuffer& b) { b.format.colorSpace = 2; },
       [](DecodeBuffer& b) { b.format.colorSpace = 2; }, 0, E_FAIL},
      {"destination rows too short", kRgb8, [](DecodeBuffer& b) { b.format.rowbytes -= 1; }, keep, 0, E_INVALIDARG},
      {"watermark rows too short", kRgb8, keep, [](DecodeBuffer& b) { b.format.rowbytes -= 1; }, 0, E_INVALIDARG},
      {"a width that is no number", kRgb8, keep, [](DecodeBuffer& b) { b.scene.width = std::nan(""); }, 0,
       E_INVALIDARG},
      {"RGB named over two samples", kRgb8, [](DecodeBuffer& b) { b.format.spp = 2; }, keep, 0, E_INVALIDARG},
      {"band-sequential pixels three samples apart", BufferLayout::BandSequential(3, KX_TYPE_U8),
       [](DecodeBuffer& b) { b.format.stride = 3; }, keep, 0, E_INVALIDARG},
      {"16-bit rows starting inside a sample", oddRows, keep, keep, 0, E_INVALIDARG},
      {"a 16-bit sample at an odd offset", BufferLayout::Interleaved(3, KX_TYPE_U16),
       [](DecodeBuffer& b) { b.format.stride = 4, b.format.smap[1] = 3, b.format.smap[2] = 6; }, keep, 0, E_INVALIDARG},
  };
  for (const auto& c : cases) {
    OwnedDecodeBuffer destination(MakeScene(0, 0, 40, 30), c.layout);
    OwnedDecodeBuffer logo = Logo(16, 8, kRgb8);
    const std::vector<uint8_t> before(destination.bytes(), destination.bytes() + destination.byteSize());
    DecodeBuffer target = destination.record(), watermark = logo.record();
    c.spoilDestination(target);
    c.spoilLogo(watermark);
    EXPECT_EQ(stage_->Composite(&target, &watermark, c.mode), c.status) << c.name;
    EXPECT_TRUE(std::equal(before.begin(), before.end(), destination.bytes()) && destination.guardIntact()) << c.name;
  }
  OwnedDecodeBuffer logo = Logo(16, 8, kRgb8);
  EXPECT_EQ(stage_->Composite(nullptr, logo.get(), 0), E_INVALIDARG);
  EXPECT_EQ(stage_->Composite(logo.get(), nullptr, 0), S_OK);
}

TEST_F(Watermarker, SetWatermarkKeepsItsOwnCopyOfAnyLayout) {
  BufferLayout padded = kRgb8, folded = kRgb8;
  padded.align = 8;
  padded.rowPadding = 37;  // rows far longer than the copy's
  folded.stride = 4;
  folded.slots = {0, 2, 3};  // offsets 2 and 3 fall on one slot when divided by their smallest distance
  for (const BufferLayout& layout :
       {padded, folded, BufferLayout::Scattered(KX_TYPE_U8, 4), BufferLayout::BandSequential(3, KX_TYPE_U8),
        BufferLayout::Interleaved(3, KX_TYPE_U16), BufferLayout::Scattered(KX_TYPE_F32, 4)}) {
    OwnedDecodeBuffer logo = Logo(12, 7, layout);
    ASSERT_EQ(stage_->SetWatermark(logo.get()), S_OK);
    std::memset(logo.bytes(), 0x77, logo.byteSize());  // the host reuses its memory
    EXPECT_EQ(StampMismatch(DecodedTile(layout.type), LogoOf(layout.type)), "")
        << "slots " << layout.slots.size() << ", order " << layout.order << ", type " << layout.type;
  }
}

TEST_F(Watermarker, RefusedSettingsKeepTheStoredWatermark) {
  // Before any watermark the upstream's pixels come back as they are.
  OwnedDecodeBuffer plain(MakeScene(5, 6, 30, 20), kRgb8);
  ASSERT_EQ(DecodeInto(plain), S_OK);
  EXPECT_EQ(source_->FirstMismatch(plain.record()), "");

  OwnedDecodeBuffer logo = Logo(12, 7, kRgb8);
  ASSERT_EQ(stage_->SetWatermark(logo.get()), S_OK);
  // Rows too short for their pixels, over a single byte: reading the declared rows would overrun it.
  std::vector<uint8_t> oneByte(1);
  DecodeBuffer shortRows = logo.record(), noMemory = logo.record();
  shortRows.pBits = oneByte.data();
  shortRows.format.rowbytes = 2;
  noMemory.pBits = nullptr;
  EXPECT_EQ(stage_->SetWatermark(nullptr), E_FAIL);
  EXPECT_EQ(stage_->SetWatermark(&noMemory), E_INVALIDARG);
  EXPECT_EQ(stage_->SetWatermark(&shortRows), E_INVALIDARG);
  EXPECT_EQ(stage_->SetWatermarkMode(1), E_INVALIDARG);
  EXPECT_EQ(StampMismatch(DecodedTile(KX_TYPE_U8), LogoOf(KX_TYPE_U8)), "");

  // A failed decode comes back unstamped, with the upstream's status.
  source_->failDecode(KX_E_NO_PIXEL_MEMORY);
  EXPECT_EQ(DecodeInto(plain), KX_E_NO_PIXEL_MEMORY);
  EXPECT_EQ(source_->FirstMismatch(plain.record()), "");
}

using WatermarkerConcurrency = Watermarker;

TEST_F(WatermarkerConcurrency, WatermarkReplacedDuringDecodesNeverTearsAStamp) {
  // Two one-colour watermarks set in turn while two threads decode: every stamp is wholly one of them.
  BufferLayout grey = BufferLayout::Interleaved(1, KX_TYPE_U8);
  grey.fill = 0x11;
  OwnedDecodeBuffer first(MakeScene(0, 0, 12, 7), grey);
  grey.fill = 0x22;
  OwnedDecodeBuffer second(MakeScene(0, 0, 12, 7), grey);
  ASSERT_EQ(stage_->SetWatermark(first.get()), S_OK);
  std::atomic<int> torn{0};
  DecodeWhileChanging(
      2,
      [&](int) {
        for (int i = 0; i < 60; ++i) {
          const OwnedDecodeBuffer tile = DecodedTile(KX_TYPE_U8);
          const uint32_t corner = tile.sample(8, 3, 0);
          const Sample one = [corner](uint32_t, uint32_t, uint32_t) { return corner; };
          if ((corner != 0x11 && corner != 0x22) || !StampMismatch(tile, one).empty()) ++torn;
        }
      },
      [&](int i) { stage_->SetWatermark((i % 2 != 0 ? first : second).get()); });
  EXPECT_EQ(torn, 0);
}

}  // namespace
}  // namespace Kelvane
