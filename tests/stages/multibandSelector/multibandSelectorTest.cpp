// The multiband selector over a synthetic many-band source: which bands it
// shows, what it reports, and what reaches the caller's buffer.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <utility>
#include <vector>

#include "fakes/recordingLogger.h"
#include "stages/multibandSelector/kxv_multibandSelectorImp.h"
#include "stages/stageOverFakeUpstream.h"

namespace Kelvane {
namespace {

using Fakes::BufferLayout;
using Fakes::FakeUpstream;
using Fakes::FakeUpstreamConfig;
using Fakes::OwnedDecodeBuffer;
using Bands = std::vector<uint16_t>;
using Shape = std::pair<uint32_t, uint32_t>;  // band count, colour space

// A seven-band multiband image, with or without a band-selecting decode.
FakeUpstreamConfig SevenBands(bool bandSelect = true) {
  FakeUpstreamConfig config = Image(256, 128, BufferLayout::Interleaved(7, KX_TYPE_U8));
  config.hasBandSelect = bandSelect;
  return config;
}

class MultibandSelector : public StageOverFakeUpstream<KxvMultibandSelectorImp> {
 protected:
  // Sets the stage over a new source and initialises it.
  void Chain(const FakeUpstreamConfig& config) {
    StageOverFakeUpstream::Chain(config);
    ASSERT_EQ(stage_->Initialize(), S_OK);
  }

  // The first n entries GetBands writes; entries it leaves alone read 0xFFFF.
  Bands GetBands(size_t n) {
    Bands bands(n, 0xFFFF);
    EXPECT_EQ(stage_->GetBands(bands.data()), S_OK);
    return bands;
  }
  HRESULT SetBands(const Bands& bands) { return stage_->SetBands(bands.data(), static_cast<uint16_t>(bands.size())); }
  Shape Shown() {
    RasterProps props;
    EXPECT_EQ(stage_->GetRasterProps(&props), S_OK);
    return {props.numBands, props.colorSpace};
  }
  // Decodes an interleaved 8-bit scene of `spp` samples: a success must hold
  // the source's bands unselected, a failure must leave every byte as it was.
  HRESULT DecodeScene(uint32_t spp) {
    OwnedDecodeBuffer buffer(Fakes::MakeScene(5, 3, 9, 4), BufferLayout::Interleaved(spp, KX_TYPE_U8));
    const std::vector<uint8_t> before(buffer.bytes(), buffer.bytes() + buffer.byteSize());
    const HRESULT status = stage_->Decode(buffer.get(), KXV_BEST_QUALITY, nullptr);
    if (SUCCEEDED(status)) {
      EXPECT_EQ(source_->FirstMismatch(buffer.record()), "");
    } else {
      EXPECT_EQ(std::vector<uint8_t>(buffer.bytes(), buffer.bytes() + buffer.byteSize()), before);
    }
    return status;
  }
};

TEST_F(MultibandSelector, FirstSuccessfulInitializeShowsAManyBandImageAsRgb) {
  StageOverFakeUpstream::Chain(SevenBands());
  ASSERT_EQ(SetBands({6}), S_OK);
  // A failed first initialisation can be tried again; the first success discards earlier selections.
  source_->failInitialize(KX_E_NO_PIXEL_MEMORY);
  EXPECT_EQ(stage_->Initialize(), KX_E_NO_PIXEL_MEMORY);
  source_->failInitialize(S_OK);
  ASSERT_EQ(stage_->Initialize(), S_OK);
  EXPECT_EQ(GetBands(4), (Bands{0, 1, 2, 0xFFFF}));
  EXPECT_EQ(Shown(), Shape(3, KX_CS_RGB));
  RasterProps source;
  ASSERT_EQ(stage_->GetSourceRasterProps(&source), S_OK);
  EXPECT_EQ(Shape(source.numBands, source.colorSpace), Shape(7, KX_CS_MULTIBAND));

  // Later calls keep the selection made since and leave the source alone.
  ASSERT_EQ(SetBands({4}), S_OK);
  ASSERT_EQ(stage_->Initialize(), S_OK);
  EXPECT_EQ(GetBands(2), (Bands{4, 0xFFFF}));
  EXPECT_EQ(source_->initializeCount(), 2u);
}

TEST_F(MultibandSelector, RgbImageGetsNoSelectionAndPassesUnchanged) {
  // The source has no band-selecting decode, so only a pass-through decode succeeds.
  Chain(FakeUpstreamConfig());
  EXPECT_EQ(DecodeScene(3), S_OK);
}

TEST_F(MultibandSelector, SelectionDecidesWhatIsShownAndWhichBuffersFit) {
  Chain(SevenBands());
  ASSERT_EQ(SetBands({5}), S_OK);
  EXPECT_EQ(Shown(), Shape(1, KX_CS_GREY));
  // A buffer whose sample count differs from the selection is refused before anything is decoded.
  EXPECT_EQ(DecodeScene(3), E_INVALIDARG);
  EXPECT_EQ(source_->decodeCount() + source_->bandSelectDecodeCount(), 0u);

  // An index beyond the source's bands, or unreadable source properties, keep the selection.
  EXPECT_EQ(SetBands({6, 7}), E_INVALIDARG);
  source_->failGetRasterProps(KX_E_INVALID_BUFFER);
  EXPECT_EQ(SetBands({1, 2}), KX_E_INVALID_BUFFER);
  source_->failGetRasterProps(S_OK);
  EXPECT_EQ(GetBands(2), (Bands{5, 0xFFFF}));

  // An empty selection lets every band through; GetBands then lists the source's bands.
  const uint16_t unused = 0;
  ASSERT_EQ(stage_->SetBands(&unused, 0), S_OK);
  EXPECT_EQ(GetBands(8), (Bands{0, 1, 2, 3, 4, 5, 6, 0xFFFF}));
  EXPECT_EQ(Shown(), Shape(7, KX_CS_MULTIBAND));
  EXPECT_EQ(DecodeScene(7), S_OK);
  source_->failGetRasterProps(KX_E_INVALID_BUFFER);
  uint16_t bands[8] = {};
  EXPECT_EQ(stage_->GetBands(bands), KX_E_INVALID_BUFFER);
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
  ASSERT_EQ(stage_->Decode(buffer.get(), 1, &context), S_OK);
  EXPECT_EQ(source_->FirstMismatch(buffer.record(), map.data()), "");
  EXPECT_EQ(source_->lastDecodeThird(), &context);
  EXPECT_TRUE(buffer.guardIntact());

  source_->failDecode(KX_E_INVALID_BUFFER);
  EXPECT_EQ(stage_->Decode(buffer.get(), KXV_BEST_QUALITY, nullptr), KX_E_INVALID_BUFFER);
}

TEST_F(MultibandSelector, DecodeFailsWithoutSourceOrBandSelectingDecode) {
  EXPECT_EQ(DecodeScene(3), E_FAIL);
  EXPECT_EQ(stage_->Initialize(), E_FAIL);
  EXPECT_EQ(SetBands({0}), E_FAIL);
  uint16_t bands[4] = {};
  EXPECT_EQ(stage_->GetBands(bands), E_FAIL);
  EXPECT_EQ(stage_->SetBands(nullptr, 0), E_INVALIDARG);
  EXPECT_EQ(stage_->GetBands(nullptr), E_INVALIDARG);
  EXPECT_EQ(stage_->GetSourceRasterProps(nullptr), E_INVALIDARG);
  EXPECT_EQ(stage_->GetRasterProps(nullptr), E_INVALIDARG);

  // A source that cannot decode selected bands fails the decode, logged as a failure.
  Chain(SevenBands(false));
  Fakes::RecordingLogger* logger = Fakes::RecordingLogger::Create(3);
  ASSERT_EQ(stage_->SetLogger(logger), S_OK);
  EXPECT_EQ(DecodeScene(3), E_NOINTERFACE);
  EXPECT_TRUE(logger->containsFragment(3, "band-selecting decode"));
  ASSERT_EQ(stage_->SetLogger(nullptr), S_OK);
  logger->Release();
}

// Selections replaced on one thread, and by the upstream itself in the
// middle of its decodes, while other threads decode: each decode delivers
// exactly the bands of one selection, and no map is freed while in use.
using MultibandSelectorConcurrency = MultibandSelector;

TEST_F(MultibandSelectorConcurrency, SelectionsChangeDuringDecodesAndFromTheUpstream) {
  Chain(SevenBands());
  const Bands selections[] = {{0, 1, 2}, {5, 1, 3}, {6, 6, 0}};
  source_->tamperWithDecodes([&](DecodeBuffer&) { stage_->SetBands(selections[2].data(), 3); });
  std::atomic<int> wrong{0};
  DecodeWhileChanging(
      3,
      [&](int) {
        for (int i = 0; i < 200; ++i) {
          OwnedDecodeBuffer buffer(Fakes::MakeScene(i % 50, 3, 16, 8), BufferLayout::Interleaved(3, KX_TYPE_U8));
          if (DecodeInto(buffer) != S_OK) ++wrong;
          bool matchesOne = false;
          for (const Bands& bands : selections)
            matchesOne |= source_->FirstMismatch(buffer.record(), bands.data()).empty();
          if (!matchesOne) ++wrong;
        }
      },
      [&](int i) { stage_->SetBands(selections[i % 2 + 1].data(), 3); });
  EXPECT_EQ(wrong.load(), 0);
}

}  // namespace
}  // namespace Kelvane
