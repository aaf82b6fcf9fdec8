// The multiband selector over a synthetic many-band source: which bands it
// shows, what it reports, and what reaches the caller's buffer.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "com/kxComClassEntry.h"
#include "fakes/decodeBufferBuilder.h"
#include "fakes/fakeUpstream.h"
#include "fakes/recordingLogger.h"
#include "stages/kxv_multibandSelectorImp.h"

namespace Kelvane {
namespace {

using Fakes::BufferLayout;
using Fakes::FakeUpstream;
using Fakes::FakeUpstreamConfig;
using Fakes::OwnedDecodeBuffer;
using Bands = std::vector<uint16_t>;
using Shape = std::pair<uint32_t, uint32_t>;  // band count, colour space

// A seven-band multiband image that can decode selected bands.
FakeUpstreamConfig SevenBands() {
  FakeUpstreamConfig config;
  config.numBands = 7;
  config.colorSpace = KX_CS_MULTIBAND;
  config.hasBandSelect = true;
  return config;
}

OwnedDecodeBuffer SceneBuffer(uint32_t spp) {
  return OwnedDecodeBuffer(Fakes::MakeScene(5, 3, 9, 4), BufferLayout::Interleaved(spp, KX_TYPE_U8));
}

std::vector<uint8_t> BytesOf(const OwnedDecodeBuffer& buffer) {
  return std::vector<uint8_t>(buffer.bytes(), buffer.bytes() + buffer.byteSize());
}

class MultibandSelector : public ::testing::Test {
 protected:
  void SetUp() override {
    INondelegatingUnknown* object = nullptr;
    ASSERT_EQ(KxComCreate<KxvMultibandSelectorImp>(nullptr, &object), S_OK);
    stage_ = static_cast<KxvMultibandSelectorImp*>(object);
  }
  // The stage releases its source exactly once; nothing leaks.
  void TearDown() override {
    imp()->Release();
    if (source_ != nullptr) {
      EXPECT_EQ(source_->Release(), 0u);
    }
    EXPECT_EQ(KxComUnknown::GetLiveObjectCount(), liveObjects_);
  }

  void Chain(const FakeUpstreamConfig& config, bool initialize = true) {
    source_ = FakeUpstream::Create(config);
    ASSERT_EQ(imp()->SetContainedImp(source_), S_OK);
    if (initialize) {
      ASSERT_EQ(imp()->Initialize(), S_OK);
    }
  }

  IKxContentImp* imp() { return stage_; }
  // The first n entries GetBands writes; entries it leaves alone read 0xFFFF.
  Bands GetBands(size_t n) {
    Bands bands(n, 0xFFFF);
    EXPECT_EQ(stage_->GetBands(bands.data()), S_OK);
    return bands;
  }
  HRESULT SetBands(const Bands& bands) { return stage_->SetBands(bands.data(), static_cast<uint16_t>(bands.size())); }
  Shape Shown() {
    RasterProps props;
    EXPECT_EQ(imp()->GetRasterProps(&props), S_OK);
    return {props.numBands, props.colorSpace};
  }

  const int32_t liveObjects_ = KxComUnknown::GetLiveObjectCount();
  KxvMultibandSelectorImp* stage_ = nullptr;
  FakeUpstream* source_ = nullptr;
};

TEST_F(MultibandSelector, ManyBandImageShowsItsFirstThreeBandsAsRgb) {
  Chain(SevenBands());
  EXPECT_EQ(GetBands(4), (Bands{0, 1, 2, 0xFFFF}));
  EXPECT_EQ(Shown(), Shape(3, KX_CS_RGB));
  RasterProps source;
  ASSERT_EQ(stage_->GetSourceRasterProps(&source), S_OK);
  EXPECT_EQ(Shape(source.numBands, source.colorSpace), Shape(7, KX_CS_MULTIBAND));
}

TEST_F(MultibandSelector, RgbImagePassesUnchanged) {
  Chain(FakeUpstreamConfig());
  EXPECT_EQ(GetBands(4), (Bands{0, 1, 2, 0xFFFF}));
  EXPECT_EQ(Shown(), Shape(3, KX_CS_RGB));
  OwnedDecodeBuffer buffer = SceneBuffer(3);
  ASSERT_EQ(imp()->Decode(buffer.get(), KXV_BEST_QUALITY, nullptr), S_OK);
  EXPECT_EQ(source_->bandSelectDecodeCount(), 0u);
  EXPECT_EQ(source_->FirstMismatch(buffer.record()), "");
}

TEST_F(MultibandSelector, SelectionDecidesWhatIsShownAndWhichBuffersFit) {
  Chain(SevenBands());
  ASSERT_EQ(SetBands({5}), S_OK);
  EXPECT_EQ(Shown(), Shape(1, KX_CS_GREY));

  // A buffer whose sample count differs from the selection is refused before anything is decoded.
  OwnedDecodeBuffer rgb = SceneBuffer(3);
  const std::vector<uint8_t> before = BytesOf(rgb);
  EXPECT_EQ(imp()->Decode(rgb.get(), KXV_BEST_QUALITY, nullptr), E_INVALIDARG);
  EXPECT_EQ(BytesOf(rgb), before);
  EXPECT_EQ(source_->decodeCount() + source_->bandSelectDecodeCount(), 0u);

  // An index beyond the source's bands keeps the selection as it was.
  EXPECT_EQ(SetBands({6, 7}), E_INVALIDARG);
  EXPECT_EQ(GetBands(2), (Bands{5, 0xFFFF}));

  // An empty selection lets every band through; GetBands then lists the source's bands.
  const uint16_t unused = 0;
  ASSERT_EQ(stage_->SetBands(&unused, 0), S_OK);
  EXPECT_EQ(GetBands(8), (Bands{0, 1, 2, 3, 4, 5, 6, 0xFFFF}));
  EXPECT_EQ(Shown(), Shape(7, KX_CS_MULTIBAND));
  OwnedDecodeBuffer all = SceneBuffer(7);
  ASSERT_EQ(imp()->Decode(all.get(), KXV_BEST_QUALITY, nullptr), S_OK);
  EXPECT_EQ(source_->FirstMismatch(all.record()), "");
}

TEST_F(MultibandSelector, DecodedSamplesFollowTheBandMapIncludingRepeats) {
  Chain(SevenBands());
  // More entries than the source has bands is fine while each index is valid.
  const Bands map{6, 5, 4, 3, 2, 1, 0, 6, 0};
  ASSERT_EQ(SetBands(map), S_OK);
  EXPECT_EQ(GetBands(map.size()), map);
  EXPECT_EQ(Shown(), Shape(9, KX_CS_MULTIBAND));

  OwnedDecodeBuffer buffer(Fakes::MakeScene(10, 4, 7, 5), BufferLayout::BandSequential(9, KX_TYPE_F32));
  int context = 0;
  ASSERT_EQ(imp()->Decode(buffer.get(), 1, &context), S_OK);
  EXPECT_EQ(source_->FirstMismatch(buffer.record(), map.data()), "");
  EXPECT_EQ(source_->lastDecodeThird(), &context);
  EXPECT_TRUE(buffer.guardIntact());

  source_->failDecode(KX_E_INVALID_BUFFER);
  EXPECT_EQ(imp()->Decode(buffer.get(), KXV_BEST_QUALITY, nullptr), KX_E_INVALID_BUFFER);
}

TEST_F(MultibandSelector, SourceWithoutBandSelectingDecodeFailsTheDecodeAndLogsIt) {
  FakeUpstreamConfig config = SevenBands();
  config.hasBandSelect = false;
  Chain(config);
  Fakes::RecordingLogger* logger = Fakes::RecordingLogger::Create(3);
  ASSERT_EQ(stage_->SetLogger(logger), S_OK);

  OwnedDecodeBuffer buffer = SceneBuffer(3);
  const std::vector<uint8_t> before = BytesOf(buffer);
  EXPECT_EQ(imp()->Decode(buffer.get(), KXV_BEST_QUALITY, nullptr), E_NOINTERFACE);
  EXPECT_EQ(BytesOf(buffer), before);
  EXPECT_TRUE(logger->containsFragment(3, "band-selecting decode"));

  // A logger that does not ask for failures gets nothing.
  logger->clear();
  logger->setLevel(2);
  EXPECT_EQ(imp()->Decode(buffer.get(), KXV_BEST_QUALITY, nullptr), E_NOINTERFACE);
  EXPECT_TRUE(logger->entries().empty());
  ASSERT_EQ(stage_->SetLogger(nullptr), S_OK);
  logger->Release();
}

TEST_F(MultibandSelector, WithoutSourceEveryOperationFails) {
  OwnedDecodeBuffer buffer = SceneBuffer(3);
  const std::vector<uint8_t> before = BytesOf(buffer);
  EXPECT_EQ(imp()->Decode(buffer.get(), KXV_BEST_QUALITY, nullptr), E_FAIL);
  EXPECT_EQ(BytesOf(buffer), before);
  EXPECT_EQ(imp()->Initialize(), E_FAIL);
  EXPECT_EQ(SetBands({0}), E_FAIL);
  uint16_t bands[4] = {};
  EXPECT_EQ(stage_->GetBands(bands), E_FAIL);

  EXPECT_EQ(stage_->SetBands(nullptr, 0), E_INVALIDARG);
  EXPECT_EQ(stage_->GetBands(nullptr), E_INVALIDARG);
  EXPECT_EQ(stage_->GetSourceRasterProps(nullptr), E_INVALIDARG);
  EXPECT_EQ(imp()->GetRasterProps(nullptr), E_INVALIDARG);
}

TEST_F(MultibandSelector, InitializeWorksOnceSuccessfullyAndDiscardsOnlyEarlierSelections) {
  Chain(SevenBands(), false);
  ASSERT_EQ(SetBands({6}), S_OK);
  // A failed first initialisation can be tried again.
  source_->failInitialize(KX_E_NO_PIXEL_MEMORY);
  EXPECT_EQ(imp()->Initialize(), KX_E_NO_PIXEL_MEMORY);
  source_->failInitialize(S_OK);
  ASSERT_EQ(imp()->Initialize(), S_OK);
  EXPECT_EQ(GetBands(3), (Bands{0, 1, 2}));

  // Later calls keep the selection made since and leave the source alone.
  ASSERT_EQ(SetBands({4}), S_OK);
  ASSERT_EQ(imp()->Initialize(), S_OK);
  EXPECT_EQ(GetBands(2), (Bands{4, 0xFFFF}));
  EXPECT_EQ(source_->initializeCount(), 2u);
}

TEST_F(MultibandSelector, UnreadableSourcePropertiesChangeNothing) {
  Chain(SevenBands());
  ASSERT_EQ(SetBands({5}), S_OK);
  source_->failGetRasterProps(KX_E_INVALID_BUFFER);
  EXPECT_EQ(SetBands({1, 2}), KX_E_INVALID_BUFFER);
  source_->failGetRasterProps(S_OK);
  EXPECT_EQ(GetBands(2), (Bands{5, 0xFFFF}));

  // With nothing selected, GetBands needs the source's band count and says when it has none.
  const uint16_t unused = 0;
  ASSERT_EQ(stage_->SetBands(&unused, 0), S_OK);
  source_->failGetRasterProps(KX_E_INVALID_BUFFER);
  uint16_t bands[8] = {};
  EXPECT_EQ(stage_->GetBands(bands), KX_E_INVALID_BUFFER);
}

}  // namespace
}  // namespace Kelvane
