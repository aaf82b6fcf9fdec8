// The transposer stage over a synthetic source: the size it reports, the
// upstream scenes it asks for, the pixels it delivers, and what it refuses.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <ostream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "com/kxComClassEntry.h"
#include "fakes/decodeBufferBuilder.h"
#include "fakes/fakeUpstream.h"
#include "stages/kxv_transposerImp.h"

namespace Kelvane {
namespace {

using Fakes::BufferLayout;
using Fakes::FakeUpstream;
using Fakes::FakeUpstreamConfig;
using Fakes::MakeScene;
using Fakes::OwnedDecodeBuffer;

// A source of the given size whose pixels have the samples of `layout`.
FakeUpstreamConfig ImageOf(uint32_t width, uint32_t height,
                           const BufferLayout& layout = BufferLayout::Interleaved(3, KX_TYPE_U8)) {
  FakeUpstreamConfig config;
  config.width = width;
  config.height = height;
  config.numBands = layout.spp;
  config.colorSpace = layout.colorSpace;
  config.type = layout.type;
  config.bitsPerSample = layout.type == KX_TYPE_U16 ? 16 : 8;
  return config;
}

std::vector<uint8_t> BytesOf(const OwnedDecodeBuffer& buffer) {
  return std::vector<uint8_t>(buffer.bytes(), buffer.bytes() + buffer.byteSize());
}

class Transposer : public ::testing::Test {
 protected:
  void SetUp() override {
    INondelegatingUnknown* object = nullptr;
    ASSERT_EQ(KxComCreate<KxvTransposerImp>(nullptr, &object), S_OK);
    stage_ = static_cast<KxvTransposerImp*>(object);
  }
  void TearDown() override {
    imp()->Release();
    if (source_ != nullptr) {
      EXPECT_EQ(source_->Release(), 0u);
    }
    EXPECT_EQ(KxComUnknown::GetLiveObjectCount(), liveObjects_);
  }

  void Chain(const FakeUpstreamConfig& config, uint32_t angle) {
    source_ = FakeUpstream::Create(config);
    ASSERT_EQ(imp()->SetContainedImp(source_), S_OK);
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
    const int64_t upstreamWidth = source_->ImageWidthAt(scene.mag);
    const int64_t upstreamHeight = source_->ImageHeightAt(scene.mag);
    const uint32_t type = buffer.record().format.type;
    return Fakes::FirstSampleMismatch(buffer.record(), [&](uint32_t x, uint32_t y, uint32_t s) {
      const int64_t turnedX = static_cast<int64_t>(scene.ulx) + x;
      const int64_t turnedY = static_cast<int64_t>(scene.uly) + y;
      int64_t u = turnedX, v = turnedY;
      if (angle == 90) u = turnedY, v = upstreamHeight - 1 - turnedX;
      if (angle == 180) u = upstreamWidth - 1 - turnedX, v = upstreamHeight - 1 - turnedY;
      if (angle == 270) u = upstreamWidth - 1 - turnedY, v = turnedX;
      return source_->ExpectedSample(u, v, s, scene.mag, type);
    });
  }

  IKxContentImp* imp() { return stage_; }

  const int32_t liveObjects_ = KxComUnknown::GetLiveObjectCount();
  KxvTransposerImp* stage_ = nullptr;
  FakeUpstream* source_ = nullptr;
};

TEST_F(Transposer, ReportsTheSizeOfTheTurnedImage) {
  Chain(ImageOf(1000, 600), 90);
  EXPECT_EQ(ReportedSize(), std::make_pair(600u, 1000u));
  ASSERT_EQ(stage_->SetRotation(180), S_OK);
  EXPECT_EQ(ReportedSize(), std::make_pair(1000u, 600u));
  ASSERT_EQ(stage_->SetRotation(270), S_OK);
  EXPECT_EQ(ReportedSize(), std::make_pair(600u, 1000u));
  // Any angle is stored; only quarter turns exchange the axes.
  ASSERT_EQ(stage_->SetRotation(45), S_OK);
  EXPECT_EQ(ReportedSize(), std::make_pair(1000u, 600u));
}

struct SceneMapping {
  uint32_t angle;
  Scene requested;
  Scene upstream;
};

void PrintTo(const SceneMapping& mapping, std::ostream* out) { *out << "turned by " << mapping.angle; }

class TransposerScenes : public Transposer, public ::testing::WithParamInterface<SceneMapping> {};

// The turned image is 600 x 1000 at every angle.
TEST_P(TransposerScenes, MapIntoTheUpstreamImage) {
  const SceneMapping& mapping = GetParam();
  Chain(mapping.angle == 180 ? ImageOf(600, 1000) : ImageOf(1000, 600), mapping.angle);
  OwnedDecodeBuffer buffer(mapping.requested, BufferLayout::Interleaved(3, KX_TYPE_U8));
  ASSERT_EQ(imp()->Decode(buffer.get(), KXV_BEST_QUALITY, nullptr), S_OK);
  const Scene asked = source_->lastDecodeScene();
  const Scene& want = mapping.upstream;
  EXPECT_EQ(std::vector<double>({asked.ulx, asked.uly, asked.width, asked.height, asked.mag}),
            std::vector<double>({want.ulx, want.uly, want.width, want.height, want.mag}));
}

INSTANTIATE_TEST_SUITE_P(WorkedExamples, TransposerScenes,
                         ::testing::Values(SceneMapping{90, MakeScene(0, 0, 100, 50), MakeScene(0, 500, 50, 100)},
                                           SceneMapping{180, MakeScene(10, 20, 100, 50), MakeScene(490, 930, 100, 50)},
                                           SceneMapping{270, MakeScene(10, 20, 100, 50), MakeScene(930, 10, 50, 100)}));

struct TurnCase {
  uint32_t angle;
  double mag;
  bool tiled;
  BufferLayout layout;
};

void PrintTo(const TurnCase& c, std::ostream* out) {
  *out << "turned by " << c.angle << " at " << c.mag << (c.tiled ? " in tiles" : " whole") << ", type " << c.layout.type
       << ", order " << c.layout.order;
}

class TransposerPixels : public Transposer, public ::testing::WithParamInterface<TurnCase> {};

TEST_P(TransposerPixels, EqualTheUpstreamPixelsTurnedByHand) {
  const TurnCase& c = GetParam();
  Chain(ImageOf(256, 128, c.layout), c.angle);
  const bool swapped = c.angle != 180;
  const uint32_t width = static_cast<uint32_t>((swapped ? 128 : 256) * c.mag);
  const uint32_t height = static_cast<uint32_t>((swapped ? 256 : 128) * c.mag);
  // Tiles of 48 x 40 leave partial tiles at the right and bottom edges.
  const uint32_t tileWidth = c.tiled ? 48 : width;
  const uint32_t tileHeight = c.tiled ? 40 : height;
  for (uint32_t y = 0; y < height; y += tileHeight) {
    for (uint32_t x = 0; x < width; x += tileWidth) {
      const Scene scene = MakeScene(x, y, std::min(tileWidth, width - x), std::min(tileHeight, height - y), c.mag);
      OwnedDecodeBuffer buffer(scene, c.layout);
      ASSERT_EQ(imp()->Decode(buffer.get(), KXV_BEST_QUALITY, nullptr), S_OK) << x << "," << y;
      ASSERT_EQ(TurnMismatch(buffer, c.angle), "") << x << "," << y;
      EXPECT_TRUE(buffer.guardIntact());
      EXPECT_EQ(buffer.record().resultCode, source_->config().decodeResultCode);
    }
  }
  // Every decode after the first found its working memory waiting.
  EXPECT_EQ(stage_->idleWorkingBuffers(), 1u);
}

INSTANTIATE_TEST_SUITE_P(AnglesMagnificationsAndLayouts, TransposerPixels,
                         ::testing::Values(TurnCase{90, 1.0, false, BufferLayout::Interleaved(3, KX_TYPE_U8)},
                                           TurnCase{90, 0.5, true, BufferLayout::Interleaved(3, KX_TYPE_U8)},
                                           TurnCase{180, 1.0, true, BufferLayout::Interleaved(3, KX_TYPE_U8)},
                                           TurnCase{180, 0.5, false, BufferLayout::BandSequential(3, KX_TYPE_U16)},
                                           TurnCase{270, 1.0, true, BufferLayout::Interleaved(3, KX_TYPE_U16)},
                                           TurnCase{270, 0.5, false, BufferLayout::Interleaved(3, KX_TYPE_U8)},
                                           TurnCase{90, 1.0, true, BufferLayout::Interleaved(4, KX_TYPE_U16)},
                                           TurnCase{180, 0.5, false, BufferLayout::Interleaved(1, KX_TYPE_U8)}));

// 257 x 129 pixels at half magnification are 129 x 65 by the source's own
// count; the turn is anchored at that size, which the source tells.
TEST_F(Transposer, OddSizedImagesTurnAroundTheSourcesOwnExtent) {
  FakeUpstreamConfig config = ImageOf(257, 129);
  config.hasImageSize = true;
  Chain(config, 90);
  for (uint32_t angle : {90u, 180u, 270u}) {
    ASSERT_EQ(stage_->SetRotation(angle), S_OK);
    const bool swapped = angle != 180;
    OwnedDecodeBuffer whole(MakeScene(0, 0, swapped ? 65 : 129, swapped ? 129 : 65, 0.5),
                            BufferLayout::Interleaved(3, KX_TYPE_U8));
    ASSERT_EQ(imp()->Decode(whole.get(), KXV_BEST_QUALITY, nullptr), S_OK);
    EXPECT_EQ(TurnMismatch(whole, angle), "") << angle;
  }
}

TEST_F(Transposer, QualityZeroAllocatesAndTurnsNothing) {
  Chain(ImageOf(256, 128), 90);
  OwnedDecodeBuffer buffer(MakeScene(0, 0, 32, 16), BufferLayout::Interleaved(3, KX_TYPE_U8));
  const std::vector<uint8_t> before = BytesOf(buffer);
  // The source is handed a buffer without memory, which it refuses; that status comes back.
  EXPECT_EQ(imp()->Decode(buffer.get(), 0, nullptr), E_INVALIDARG);
  EXPECT_EQ(source_->decodeCount(), 1u);
  EXPECT_EQ(source_->lastDecodeQuality(), 0u);
  EXPECT_EQ(BytesOf(buffer), before);
  EXPECT_EQ(stage_->idleWorkingBuffers(), 0u);
}

TEST_F(Transposer, FailuresLeaveTheCallersBufferAlone) {
  Chain(ImageOf(256, 128), 90);
  OwnedDecodeBuffer buffer(MakeScene(0, 0, 32, 16), BufferLayout::Interleaved(3, KX_TYPE_U8));
  const std::vector<uint8_t> before = BytesOf(buffer);

  // A turned decode whose upstream decode fails.
  source_->failDecode(KX_E_NO_PIXEL_MEMORY);
  EXPECT_EQ(imp()->Decode(buffer.get(), KXV_BEST_QUALITY, nullptr), KX_E_NO_PIXEL_MEMORY);
  EXPECT_EQ(buffer.record().resultCode, 1u);

  // Unturned, a failed direct decode is the answer; nothing is tried again.
  ASSERT_EQ(stage_->SetRotation(0), S_OK);
  const uint32_t decodes = source_->decodeCount();
  EXPECT_EQ(imp()->Decode(buffer.get(), KXV_BEST_QUALITY, nullptr), KX_E_NO_PIXEL_MEMORY);
  EXPECT_EQ(source_->decodeCount(), decodes + 1);

  // An angle that is no quarter turn fails before the source is asked for anything.
  source_->failDecode(S_OK);
  ASSERT_EQ(stage_->SetRotation(45), S_OK);
  EXPECT_EQ(imp()->Decode(buffer.get(), KXV_BEST_QUALITY, nullptr), E_FAIL);
  EXPECT_EQ(imp()->Decode(buffer.get(), 0, nullptr), E_FAIL);
  EXPECT_EQ(source_->decodeCount(), decodes + 1);
  EXPECT_EQ(BytesOf(buffer), before);
}

TEST_F(Transposer, BuffersTheSourceCannotFillFailValidation) {
  FakeUpstreamConfig config = ImageOf(256, 128);
  config.flags = KX_CAP_PARTIAL_SCENE;
  Chain(config, 270);
  OwnedDecodeBuffer grey(MakeScene(0, 0, 32, 16), BufferLayout::Interleaved(1, KX_TYPE_U8));
  EXPECT_EQ(imp()->Decode(grey.get(), KXV_BEST_QUALITY, nullptr), KX_E_INVALID_BUFFER);
  EXPECT_EQ(source_->decodeCount(), 0u);
}

TEST_F(Transposer, WithoutSourceNothingCanBeDescribedOrDecoded) {
  RasterProps props;
  EXPECT_EQ(imp()->GetRasterProps(&props), E_FAIL);
  EXPECT_EQ(imp()->GetRasterProps(nullptr), E_INVALIDARG);
  EXPECT_EQ(imp()->Initialize(), E_FAIL);
  EXPECT_EQ(stage_->SetRotation(90), S_OK);
  OwnedDecodeBuffer buffer(MakeScene(0, 0, 8, 8), BufferLayout::Interleaved(3, KX_TYPE_U8));
  EXPECT_TRUE(FAILED(imp()->Decode(buffer.get(), KXV_BEST_QUALITY, nullptr)));
  EXPECT_EQ(imp()->Decode(nullptr, KXV_BEST_QUALITY, nullptr), E_INVALIDARG);
}

// Transpose is open to any host: buffers that do not fit each other are refused untouched.
TEST_F(Transposer, TransposeRefusesBuffersThatDoNotFitTheTurn) {
  OwnedDecodeBuffer source(MakeScene(0, 0, 3, 2), BufferLayout::Interleaved(1, KX_TYPE_U8));
  const uint8_t pixels[] = {'a', 'b', 'c', 'd', 'e', 'f'};
  for (uint32_t i = 0; i < 6; ++i) source.setSample(i % 3, i / 3, 0, pixels[i]);
  OwnedDecodeBuffer upright(MakeScene(0, 0, 3, 2), BufferLayout::Interleaved(1, KX_TYPE_U8));
  OwnedDecodeBuffer turned(MakeScene(0, 0, 2, 3), BufferLayout::Interleaved(1, KX_TYPE_U8));
  OwnedDecodeBuffer wide(MakeScene(0, 0, 2, 3), BufferLayout::Interleaved(1, KX_TYPE_U16));
  OwnedDecodeBuffer cramped(MakeScene(0, 0, 2, 3), BufferLayout::Interleaved(1, KX_TYPE_U8));
  cramped.get()->format.rowbytes = 1;
  DecodeBuffer memoryless = turned.record();
  memoryless.pBits = nullptr;

  IKxTransposer* transposer = stage_;
  EXPECT_EQ(transposer->Transpose(source.get(), wide.get(), 90), E_INVALIDARG);
  EXPECT_EQ(transposer->Transpose(source.get(), upright.get(), 90), E_INVALIDARG);
  EXPECT_EQ(transposer->Transpose(source.get(), turned.get(), 180), E_INVALIDARG);
  EXPECT_EQ(transposer->Transpose(source.get(), cramped.get(), 90), E_INVALIDARG);
  EXPECT_EQ(transposer->Transpose(source.get(), &memoryless, 90), E_INVALIDARG);
  EXPECT_EQ(transposer->Transpose(&memoryless, source.get(), 90), E_INVALIDARG);
  EXPECT_EQ(transposer->Transpose(nullptr, turned.get(), 90), E_INVALIDARG);
  EXPECT_EQ(transposer->Transpose(source.get(), turned.get(), 45), E_FAIL);
  EXPECT_TRUE(turned.guardIntact() && wide.guardIntact() && upright.guardIntact() && cramped.guardIntact());
  EXPECT_EQ(turned.sample(0, 0, 0), 0xCDu);

  // The same buffers in the turned shape: rows (d a), (e b), (f c).
  ASSERT_EQ(transposer->Transpose(source.get(), turned.get(), 90), S_OK);
  std::string rows;
  for (uint32_t y = 0; y < 3; ++y) rows += {char(turned.sample(0, y, 0)), char(turned.sample(1, y, 0))};
  EXPECT_EQ(rows, "daebfc");

  // Signed samples have no kernel.
  source.get()->format.type = KX_TYPE_S8;
  turned.get()->format.type = KX_TYPE_S8;
  EXPECT_EQ(transposer->Transpose(source.get(), turned.get(), 90), E_FAIL);
}

TEST_F(Transposer, ConcurrentDecodesAndDescriptionsStayCorrect) {
  Chain(ImageOf(256, 128), 90);
  std::atomic<bool> stop{false};
  std::atomic<int> wrong{0};
  // A stage above refreshes the description before each of its decodes.
  std::thread describer([&] {
    while (!stop) {
      RasterProps props;
      if (imp()->GetRasterProps(&props) != S_OK || props.width != 128) ++wrong;
    }
  });
  std::vector<std::thread> decoders;
  for (uint32_t t = 0; t < 4; ++t) {
    decoders.emplace_back([&, t] {
      for (uint32_t y = 0; y < 256; y += 32) {
        OwnedDecodeBuffer tile(MakeScene(32 * t, y, 32, 32), BufferLayout::Interleaved(3, KX_TYPE_U8));
        if (imp()->Decode(tile.get(), KXV_BEST_QUALITY, nullptr) != S_OK || !TurnMismatch(tile, 90).empty()) ++wrong;
      }
    });
  }
  for (std::thread& decoder : decoders) decoder.join();
  stop = true;
  describer.join();
  EXPECT_EQ(wrong.load(), 0);
  EXPECT_LE(stage_->idleWorkingBuffers(), 4u);
}

}  // namespace
}  // namespace Kelvane
