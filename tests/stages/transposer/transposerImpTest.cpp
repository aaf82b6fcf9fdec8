// The transposer stage over a synthetic source: the size it reports, the
// upstream scenes it asks for, the pixels it delivers, and what it refuses.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

#include "stages/stageOverFakeUpstream.h"
#include "stages/transposer/kxv_transposerImp.h"

namespace Kelvane {
namespace {

using Fakes::BufferLayout;
using Fakes::FakeUpstreamConfig;
using Fakes::MakeScene;
using Fakes::OwnedDecodeBuffer;

const BufferLayout kRgb8 = BufferLayout::Interleaved(3, KX_TYPE_U8);

class Transposer : public StageOverFakeUpstream<KxvTransposerImp> {
 protected:
  void Chain(const FakeUpstreamConfig& config, uint32_t angle) {
    StageOverFakeUpstream::Chain(config);
    ASSERT_EQ(stage_->SetRotation(angle), S_OK);
    ASSERT_EQ(imp()->Initialize(), S_OK);
  }
  std::pair<uint32_t, uint32_t> ReportedSize() {
    RasterProps props;
    EXPECT_EQ(imp()->GetRasterProps(&props), S_OK);
    return {props.width, props.height};
  }
  // Empty when `buffer` holds the source's pixels at the buffer's scene, turned clockwise by `angle`.
  std::string TurnMismatch(const OwnedDecodeBuffer& buffer, uint32_t angle) {
    const Scene& scene = buffer.record().scene;
    // The upstream image's extent at the buffer's magnification.
    const int64_t width = source_->ImageWidthAt(scene.mag), height = source_->ImageHeightAt(scene.mag);
    return Fakes::FirstSampleMismatch(buffer.record(), [&](uint32_t x, uint32_t y, uint32_t s) {
      const int64_t tx = static_cast<int64_t>(scene.ulx) + x, ty = static_cast<int64_t>(scene.uly) + y;
      const int64_t u = angle == 90 ? ty : angle == 180 ? width - 1 - tx : width - 1 - ty;
      const int64_t v = angle == 90 ? height - 1 - tx : angle == 180 ? height - 1 - ty : tx;
      return source_->ExpectedSample(u, v, s, scene.mag, buffer.record().format.type);
    });
  }
};

// Rows padded to 8 bytes and 6 more, of four 16-bit samples.
BufferLayout PaddedRows() {
  BufferLayout padded = BufferLayout::Interleaved(4, KX_TYPE_U16);
  padded.align = 8;
  padded.rowPadding = 6;
  return padded;
}

// Caller layouts: 8-bit RGB, band-sequential 16-bit RGB, four 16-bit bands
// on padded rows, one 8-bit band.
const BufferLayout kLayouts[] = {kRgb8, BufferLayout::BandSequential(3, KX_TYPE_U16), PaddedRows(),
                                 BufferLayout::Interleaved(1, KX_TYPE_U8)};

// Angle, magnification, decoded in tiles or whole, of odd size, caller layout:
// the reported size, the upstream scene each decode asks for, and the pixels.
// An image of odd size is 257 x 129 pixels, which at half magnification are
// 129 x 65 by the source's own count: the turn is anchored at that size,
// which half the layouts' sources tell and the others leave to be scaled.
class TransposerPixels : public Transposer,
                         public ::testing::WithParamInterface<std::tuple<uint32_t, double, bool, bool, size_t>> {};

TEST_P(TransposerPixels, EqualTheUpstreamPixelsTurnedByHand) {
  const auto [angle, mag, tiled, oddSize, layoutIndex] = GetParam();
  const BufferLayout& layout = kLayouts[layoutIndex];
  FakeUpstreamConfig config = Image(oddSize ? 257 : 256, oddSize ? 129 : 128, layout);
  config.hasImageSize = oddSize && layoutIndex % 2 == 0;
  Chain(config, angle);
  const bool swapped = angle != 180;
  const auto width = static_cast<uint32_t>(swapped ? source_->ImageHeightAt(mag) : source_->ImageWidthAt(mag));
  const auto height = static_cast<uint32_t>(swapped ? source_->ImageWidthAt(mag) : source_->ImageHeightAt(mag));
  EXPECT_TRUE(mag != 1.0 || ReportedSize() == std::make_pair(width, height));
  // Square tiles of odd side (a centre pixel that stays) leave narrower and
  // lower ones at the right and bottom edges.
  const uint32_t tileWidth = tiled ? 37 : width;
  const uint32_t tileHeight = tiled ? 37 : height;
  for (uint32_t y = 0; y < height; y += tileHeight) {
    for (uint32_t x = 0; x < width; x += tileWidth) {
      OwnedDecodeBuffer buffer(MakeScene(x, y, std::min(tileWidth, width - x), std::min(tileHeight, height - y), mag),
                               layout);
      ASSERT_EQ(DecodeInto(buffer), S_OK) << x << "," << y;
      ASSERT_EQ(TurnMismatch(buffer, angle), "") << x << "," << y;
      // The upstream is asked for exactly the buffer's pixels, turned back.
      const Scene& tile = buffer.record().scene;
      const Scene asked = source_->lastDecodeScene();
      const double right = width - tile.ulx - tile.width, bottom = height - tile.uly - tile.height;
      EXPECT_EQ(std::vector<double>({asked.ulx, asked.uly, asked.width, asked.height, asked.mag}),
                angle == 90    ? std::vector<double>({tile.uly, right, tile.height, tile.width, mag})
                : angle == 180 ? std::vector<double>({right, bottom, tile.width, tile.height, mag})
                               : std::vector<double>({bottom, tile.ulx, tile.height, tile.width, mag}));
      EXPECT_TRUE(buffer.guardIntact());
      EXPECT_EQ(buffer.record().resultCode, source_->config().decodeResultCode);
      // A square tile is turned in the caller's buffer: no working buffer is taken.
      EXPECT_TRUE(!tiled || x + y != 0 || stage_->idleWorkingBuffers() == 0) << "working buffer for a square";
    }
  }
  // Working memory is found waiting by later decodes (one block for inner
  // tiles, one for edge tiles at most); half turns need none.
  EXPECT_LE(stage_->idleWorkingBuffers(), angle == 180 ? 0u : 2u);
}

INSTANTIATE_TEST_SUITE_P(AnglesMagnificationsAndLayouts, TransposerPixels,
                         ::testing::Combine(::testing::Values(90u, 180u, 270u), ::testing::Values(1.0, 0.5),
                                            ::testing::Bool(), ::testing::Bool(), ::testing::Range<size_t>(0, 4)));

// A source without an image-size query is turned at its size scaled to the
// scene's magnification also beyond the magnifications it reports (a stage
// above may ask for them).
TEST_F(Transposer, WithoutASizeQueryTheImageIsTurnedAtItsScaledSizeBeyondItsMagnifications) {
  Chain(Image(257, 129), 90);
  OwnedDecodeBuffer whole(MakeScene(0, 0, source_->ImageHeightAt(2.0), source_->ImageWidthAt(2.0), 2.0), kRgb8);
  ASSERT_EQ(DecodeInto(whole), S_OK);
  EXPECT_EQ(TurnMismatch(whole, 90), "");
}

// Every failure comes back as its status with the caller's samples untouched.
TEST_F(Transposer, FailuresLeaveTheCallersBufferAlone) {
  Chain(Image(256, 128), 90);
  OwnedDecodeBuffer buffer(MakeScene(0, 0, 32, 16), kRgb8);

  // Quality 0 allocates nothing: the source is handed a buffer without
  // memory, which it refuses, and that status comes back.
  EXPECT_EQ(DecodeInto(buffer, 0), E_INVALIDARG);
  EXPECT_EQ(source_->lastDecodeQuality(), 0u);
  EXPECT_EQ(stage_->idleWorkingBuffers(), 0u);

  // A turned decode whose upstream decode fails.
  source_->failDecode(KX_E_NO_PIXEL_MEMORY);
  EXPECT_EQ(DecodeInto(buffer), KX_E_NO_PIXEL_MEMORY);
  EXPECT_EQ(buffer.record().resultCode, 1u);
  // An upstream that rewrites the working buffer's layout has nothing turned.
  source_->failDecode(S_OK);
  source_->tamperWithDecodes([](DecodeBuffer& working) { working.scene.height *= 64; });
  EXPECT_EQ(DecodeInto(buffer), E_FAIL);
  source_->tamperWithDecodes(nullptr);
  source_->failDecode(KX_E_NO_PIXEL_MEMORY);
  EXPECT_EQ(source_->decodeCount(), 3u);

  // An angle that is no quarter turn is kept without exchanging the axes, and
  // fails a decode before the source is asked for anything.
  ASSERT_EQ(stage_->SetRotation(45), S_OK);
  EXPECT_EQ(ReportedSize(), std::make_pair(256u, 128u));
  EXPECT_EQ(DecodeInto(buffer), E_FAIL);
  EXPECT_EQ(DecodeInto(buffer, 0), E_FAIL);
  EXPECT_EQ(source_->decodeCount(), 3u);

  // Unturned, a failed direct decode is the answer; nothing is tried again.
  ASSERT_EQ(stage_->SetRotation(0), S_OK);
  EXPECT_EQ(DecodeInto(buffer), KX_E_NO_PIXEL_MEMORY);
  EXPECT_EQ(source_->decodeCount(), 4u);
  // Every sample still holds the buffer's initial fill.
  EXPECT_EQ(Fakes::FirstSampleMismatch(buffer.record(), [](uint32_t, uint32_t, uint32_t) { return 0xCDu; }), "");
}

// Without a source nothing can be described or decoded; with one, buffers
// it cannot fill fail validation before it is asked.
TEST_F(Transposer, WithoutASourceOrWithABufferItCannotFillNothingIsDecoded) {
  RasterProps props;
  EXPECT_EQ(imp()->GetRasterProps(&props), E_FAIL);
  EXPECT_EQ(imp()->GetRasterProps(nullptr), E_INVALIDARG);
  EXPECT_EQ(imp()->Initialize(), E_FAIL);
  EXPECT_EQ(stage_->SetRotation(90), S_OK);
  OwnedDecodeBuffer grey(MakeScene(0, 0, 32, 16), BufferLayout::Interleaved(1, KX_TYPE_U8));
  EXPECT_TRUE(FAILED(DecodeInto(grey)));
  EXPECT_EQ(imp()->Decode(nullptr, KXV_BEST_QUALITY, nullptr), E_INVALIDARG);

  FakeUpstreamConfig config = Image(256, 128);
  config.flags = KX_CAP_PARTIAL_SCENE;
  Chain(config, 270);
  EXPECT_EQ(DecodeInto(grey), KX_E_INVALID_BUFFER);
  EXPECT_EQ(source_->decodeCount(), 0u);
}

// An upstream whose samples the caller's buffer does not hold (here one
// claiming 2^31-1 bands, whose working buffer would take 8 GiB) has nothing
// decoded and nothing allocated: the turn could not carry them anyway.
TEST_F(Transposer, AnUpstreamLayoutTheTurnCannotCarryCostsNoWorkingBuffer) {
  FakeUpstreamConfig config = Image(64, 32);
  config.numBands = 0x7FFFFFFF;
  config.colorSpace = KX_CS_MULTIBAND;
  Chain(config, 90);
  OwnedDecodeBuffer buffer(MakeScene(0, 0, 4, 1), kRgb8);
  EXPECT_EQ(DecodeInto(buffer), E_INVALIDARG);
  EXPECT_EQ(source_->decodeCount(), 0u);
  EXPECT_EQ(stage_->idleWorkingBuffers(), 0u);
}

// Transpose is open to any host: buffers that do not fit each other are refused untouched.
TEST_F(Transposer, TransposeRefusesBuffersThatDoNotFitTheTurn) {
  OwnedDecodeBuffer source(MakeScene(0, 0, 3, 2), BufferLayout::Interleaved(1, KX_TYPE_U8));
  OwnedDecodeBuffer upright(MakeScene(0, 0, 3, 2), BufferLayout::Interleaved(1, KX_TYPE_U8));
  OwnedDecodeBuffer turned(MakeScene(0, 0, 2, 3), BufferLayout::Interleaved(1, KX_TYPE_U8));
  OwnedDecodeBuffer wide(MakeScene(0, 0, 2, 3), BufferLayout::Interleaved(1, KX_TYPE_U16));
  OwnedDecodeBuffer cramped(MakeScene(0, 0, 2, 3), BufferLayout::Interleaved(1, KX_TYPE_U8));
  cramped.get()->format.rowbytes = 1;
  DecodeBuffer memoryless = turned.record();
  memoryless.pBits = nullptr;

  // Another sample width, an unturned shape, a turned shape for a half turn,
  // rows too short, no pixel memory, no buffer; an angle without a kernel.
  IKxTransposer* transposer = stage_;
  EXPECT_EQ(transposer->Transpose(source.get(), wide.get(), 90), E_INVALIDARG);
  EXPECT_EQ(transposer->Transpose(source.get(), upright.get(), 90), E_INVALIDARG);
  EXPECT_EQ(transposer->Transpose(source.get(), turned.get(), 180), E_INVALIDARG);
  EXPECT_EQ(transposer->Transpose(source.get(), cramped.get(), 90), E_INVALIDARG);
  EXPECT_EQ(transposer->Transpose(source.get(), &memoryless, 90), E_INVALIDARG);
  EXPECT_EQ(transposer->Transpose(&memoryless, source.get(), 90), E_INVALIDARG);
  EXPECT_EQ(transposer->Transpose(nullptr, turned.get(), 90), E_INVALIDARG);
  EXPECT_EQ(transposer->Transpose(source.get(), turned.get(), 45), E_FAIL);
  // Signed samples have no kernel.
  source.get()->format.type = KX_TYPE_S8;
  turned.get()->format.type = KX_TYPE_S8;
  EXPECT_EQ(transposer->Transpose(source.get(), turned.get(), 90), E_FAIL);
  EXPECT_TRUE(turned.guardIntact() && wide.guardIntact() && upright.guardIntact() && cramped.guardIntact());
  EXPECT_EQ(turned.sample(0, 0, 0), 0xCDu);
}

// Every sample a pixel holds is turned, whether or not its colour space
// names that many (none for spaces without a library code, three for RGB,
// one for multiband), and wherever a 16-bit sample lies; a pixel whose
// samples cannot all be described is refused with nothing written.
TEST_F(Transposer, EverySampleOfAPixelIsTurnedOrNothingIs) {
  const struct {
    uint32_t colorSpace, spp, type, stride;
    HRESULT status;
    bool oddRows;  // rows of an odd number of bytes, the source's samples reordered (so every pixel is copied)
  } cases[] = {{KX_CS_NONE, 3, KX_TYPE_U8, 3, S_OK, false},
               {2, 4, KX_TYPE_U8, 4, S_OK, false},
               {5, 2, KX_TYPE_U16, 2, S_OK, false},
               {12, 3, KX_TYPE_U8, 5, S_OK, false},
               {KX_CS_RGB, 4, KX_TYPE_U8, 4, S_OK, false},
               {KX_CS_GREY, 2, KX_TYPE_U16, 3, S_OK, false},
               {KX_CS_MULTIBAND, 5, KX_TYPE_U8, 5, S_OK, false},
               {KX_CS_RGB, 3, KX_TYPE_U16, 3, S_OK, true},
               {KX_CS_NONE, 255, KX_TYPE_U8, 255, E_INVALIDARG, false},
               {KX_CS_RGB, 256, KX_TYPE_U8, 256, E_INVALIDARG, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.colorSpace) + "/" + std::to_string(c.spp) + "/" + std::to_string(c.type));
    BufferLayout from = BufferLayout::Interleaved(c.spp, c.type);
    from.colorSpace = c.colorSpace;
    from.stride = c.stride;
    BufferLayout to = from;
    if (c.oddRows) {
      from.rowPadding = 1;
      from.slots = {2, 0, 1};
      to.rowPadding = 3;
    }
    OwnedDecodeBuffer source(MakeScene(0, 0, 3, 2), from), turned(MakeScene(0, 0, 2, 3), to);
    // Both bytes of a 16-bit sample differ from sample to sample.
    for (uint32_t i = 0; i < 6 * c.spp; ++i)
      source.setSample(i / c.spp % 3, i / c.spp / 3, i % c.spp, c.type == KX_TYPE_U8 ? i % 251 : 0x100 * i + 7);
    EXPECT_EQ(static_cast<IKxTransposer*>(stage_)->Transpose(source.get(), turned.get(), 90), c.status);
    // Source pixel (x, y) lands on (1 - y, x); a refused turn writes nothing.
    EXPECT_EQ(Fakes::FirstSampleMismatch(turned.record(),
                                         [&](uint32_t x, uint32_t y, uint32_t s) {
                                           return c.status != S_OK ? (c.type == KX_TYPE_U8 ? 0xCDu : 0xCDCDu)
                                                                   : source.sample(y, 1 - x, s);
                                         }),
              "");
  }
  // A 16-bit sample that starts inside another has no place in the turn.
  OwnedDecodeBuffer odd(MakeScene(0, 0, 1, 1), BufferLayout::Interleaved(2, KX_TYPE_U16));
  odd.get()->format.smap[1] = 3;
  OwnedDecodeBuffer oddTurned(MakeScene(0, 0, 1, 1), BufferLayout::Interleaved(2, KX_TYPE_U16));
  oddTurned.get()->format.smap[1] = 3;
  EXPECT_EQ(static_cast<IKxTransposer*>(stage_)->Transpose(odd.get(), oddTurned.get(), 180), E_INVALIDARG);

  // Decoded through the stage from a source in a space without a code.
  FakeUpstreamConfig config = Image(64, 32);
  config.colorSpace = 5;
  Chain(config, 270);
  BufferLayout unnamed = kRgb8;
  unnamed.colorSpace = 5;
  OwnedDecodeBuffer tile(MakeScene(4, 8, 16, 24), unnamed);
  ASSERT_EQ(DecodeInto(tile), S_OK);
  EXPECT_EQ(TurnMismatch(tile, 270), "");
}
// Decodes on several threads, while the description is refreshed on another, all come out exact.
using TransposerConcurrency = Transposer;

TEST_F(TransposerConcurrency, DecodesAndDescriptionsOnSeveralThreadsStayCorrect) {
  Chain(Image(256, 128), 90);
  std::atomic<int> wrong{0};
  // A stage above refreshes the description before each of its decodes,
  // while the host turns the image between 90 and 270 degrees.
  DecodeWhileChanging(
      4,
      [&](int t) {
        for (uint32_t y = 0; y < 256; y += 32) {
          OwnedDecodeBuffer tile(MakeScene(32 * t, y, 32, 32), kRgb8);
          if (DecodeInto(tile) != S_OK || (!TurnMismatch(tile, 90).empty() && !TurnMismatch(tile, 270).empty()))
            ++wrong;
        }
      },
      [&](int i) {
        RasterProps props;
        if (imp()->GetRasterProps(&props) != S_OK || props.width != 128) ++wrong;
        stage_->SetRotation(i % 2 == 0 ? 270 : 90);
      });
  EXPECT_EQ(wrong.load(), 0);
  EXPECT_LE(stage_->idleWorkingBuffers(), 4u);
}

}  // namespace
}  // namespace Kelvane
