// The host-side doubles are the oracle of every stage test, so they are
// proven here against hand-computed addresses and values.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <set>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "fakes/decodeBufferBuilder.h"
#include "fakes/fakeSpatialReference.h"
#include "fakes/fakeUpstream.h"
#include "fakes/recordingLogger.h"
#include "fakes/syntheticSamples.h"

namespace Kelvane::Fakes {
namespace {

// Owns one reference to a fake upstream for the length of a test.
struct UpstreamRef {
  explicit UpstreamRef(const FakeUpstreamConfig& config = FakeUpstreamConfig()) : fake(FakeUpstream::Create(config)) {}
  ~UpstreamRef() { fake->Release(); }
  FakeUpstream* operator->() const { return fake; }
  FakeUpstream* fake;
};

TEST(SyntheticSamplesTest, ValuesSpreadOverEveryTypeRange) {
  std::set<uint32_t> lowBytes, highBytes;
  bool signed8Negative = false, signed16Negative = false, floatNegative = false;
  for (int64_t x = 0; x < 256; ++x) {
    lowBytes.insert(FakeUpstream::SampleValue(x, 5, 1, 1.0, KX_TYPE_U8));
    highBytes.insert(FakeUpstream::SampleValue(x, 5, 1, 1.0, KX_TYPE_U16) >> 8);
    signed8Negative |= DecodeSampleBits(FakeUpstream::SampleValue(x, 5, 1, 1.0, KX_TYPE_S8), KX_TYPE_S8) < 0;
    signed16Negative |= DecodeSampleBits(FakeUpstream::SampleValue(x, 5, 1, 1.0, KX_TYPE_S16), KX_TYPE_S16) < 0;
    const double value = DecodeSampleBits(FakeUpstream::SampleValue(x, 5, 1, 1.0, KX_TYPE_F32), KX_TYPE_F32);
    floatNegative |= value < 0;
    EXPECT_EQ(value * 4, std::floor(value * 4)) << "float samples are exact quarters";
  }
  EXPECT_EQ(lowBytes.size(), 256u);
  EXPECT_EQ(highBytes.size(), 256u);
  EXPECT_TRUE(signed8Negative && signed16Negative && floatNegative);
}

TEST(SyntheticSamplesTest, ValuesDependOnRowBandAndMagnification) {
  const uint32_t base = FakeUpstream::SampleValue(7, 3, 0, 1.0, KX_TYPE_U16);
  EXPECT_NE(base, FakeUpstream::SampleValue(7, 4, 0, 1.0, KX_TYPE_U16));
  EXPECT_NE(base, FakeUpstream::SampleValue(7, 3, 1, 1.0, KX_TYPE_U16));
  EXPECT_NE(base, FakeUpstream::SampleValue(7, 3, 0, 0.5, KX_TYPE_U16));
  EXPECT_NE(FakeUpstream::SampleValue(3, 7, 0, 1.0, KX_TYPE_U8), FakeUpstream::SampleValue(7, 3, 0, 1.0, KX_TYPE_U8));
}

TEST(SyntheticSamplesTest, EncodingClampsAndSignExtends) {
  EXPECT_EQ(EncodeSampleBits(-1.0, KX_TYPE_U8), 0u);
  EXPECT_EQ(EncodeSampleBits(300.0, KX_TYPE_U8), 255u);
  EXPECT_EQ(EncodeSampleBits(-1.0, KX_TYPE_S8), 0xFFu);
  EXPECT_EQ(EncodeSampleBits(-20.0, KX_TYPE_S16), 0xFFECu);
  EXPECT_EQ(EncodeSampleBits(70000.0, KX_TYPE_U16), 0xFFFFu);
  EXPECT_EQ(DecodeSampleBits(0xFF, KX_TYPE_S8), -1.0);
  EXPECT_EQ(DecodeSampleBits(EncodeSampleBits(-2.75, KX_TYPE_F32), KX_TYPE_F32), -2.75);
}

// Layouts a host may hand a stage, each decoded in every host type.
struct LayoutCase {
  const char* name;
  BufferLayout layout;
};

BufferLayout Customised(BufferLayout layout, uint32_t stride, std::vector<uint32_t> slots, uint32_t align,
                        uint32_t padding) {
  layout.stride = stride;
  layout.slots = std::move(slots);
  layout.align = align;
  layout.rowPadding = padding;
  return layout;
}

const LayoutCase kLayouts[] = {
    {"Interleaved", BufferLayout::Interleaved(3, KX_TYPE_U8)},
    {"BandSequential", BufferLayout::BandSequential(3, KX_TYPE_U8)},
    {"Stride4", Customised(BufferLayout::Interleaved(3, KX_TYPE_U8), 4, {}, 1, 0)},
    {"PermutedMap", Customised(BufferLayout::Interleaved(3, KX_TYPE_U8), 4, {2, 0, 3}, 1, 0)},
    {"AlignedPaddedRows", Customised(BufferLayout::Interleaved(3, KX_TYPE_U8), 0, {}, 4, 5)},
    {"PermutedPlanesPadded", Customised(BufferLayout::BandSequential(3, KX_TYPE_U8), 0, {1, 2, 0}, 1, 3)},
};
const uint32_t kTypes[] = {KX_TYPE_U8, KX_TYPE_S8, KX_TYPE_U16, KX_TYPE_S16, KX_TYPE_F32};

class FakeUpstreamLayoutTest : public ::testing::TestWithParam<std::tuple<LayoutCase, uint32_t>> {};

TEST_P(FakeUpstreamLayoutTest, WritesExactlyTheSceneSamplesAndNothingElse) {
  BufferLayout layout = std::get<0>(GetParam()).layout;
  layout.type = std::get<1>(GetParam());
  const uint32_t bytes = KxHostSampleBytes(layout.type);
  UpstreamRef upstream;
  for (double mag : {1.0, 0.5}) {
    // Corner 3.4, 5.6 rounds to pixel (3, 6); 20.4 x 9.6 gives 20 x 10 pixels.
    OwnedDecodeBuffer buffer(MakeScene(3.4, 5.6, 20.4, 9.6, mag), layout);
    ASSERT_EQ(upstream->Decode(buffer.get(), KXV_BEST_QUALITY, nullptr), S_OK);
    std::vector<bool> isSample(buffer.byteSize(), false);
    const BufferFormat& format = buffer.record().format;
    for (uint32_t y = 0; y < 10; ++y) {
      for (uint32_t x = 0; x < 20; ++x) {
        for (uint32_t s = 0; s < 3; ++s) {
          // Address worked out by hand from the layout, not through the record.
          const uint32_t slot = layout.slots.empty() ? s : layout.slots[s];
          const size_t offset = layout.order == 0 ? y * format.rowbytes + (x * format.stride + slot) * bytes
                                                  : slot * 10 * format.rowbytes + y * format.rowbytes + x * bytes;
          uint32_t got = 0;
          std::memcpy(&got, buffer.bytes() + offset, bytes);
          ASSERT_EQ(got, FakeUpstream::SampleValue(3 + x, 6 + y, s, mag, layout.type))
              << "pixel " << x << "," << y << " sample " << s << " mag " << mag;
          for (uint32_t b = 0; b < bytes; ++b) isSample[offset + b] = true;
        }
      }
    }
    for (size_t i = 0; i < buffer.byteSize(); ++i) {
      if (!isSample[i]) {
        ASSERT_EQ(buffer.bytes()[i], layout.fill) << "byte " << i << " is not a sample";
      }
    }
    EXPECT_TRUE(buffer.guardIntact());
    EXPECT_EQ(upstream->FirstMismatch(buffer.record()), "");
  }
}

INSTANTIATE_TEST_SUITE_P(AllLayoutsAndTypes, FakeUpstreamLayoutTest,
                         ::testing::Combine(::testing::ValuesIn(kLayouts), ::testing::ValuesIn(kTypes)),
                         [](const auto& info) {
                           return std::string(std::get<0>(info.param).name) + "_type" +
                                  std::to_string(std::get<1>(info.param));
                         });

TEST(FakeUpstreamTest, PixelsOutsideTheImageGetTheBackground) {
  FakeUpstreamConfig config;
  config.background = {10.0, -20.0, 300.6};
  UpstreamRef upstream(config);
  // At 0.5 the 256 x 128 image is 128 x 64: the scene hangs over the top-left
  // and the right edge.
  for (const Scene& scene : {MakeScene(-2, -1, 5, 3, 0.5), MakeScene(126, 62, 4, 4, 0.5)}) {
    OwnedDecodeBuffer buffer(scene, BufferLayout::Interleaved(3, KX_TYPE_S16));
    ASSERT_EQ(upstream->Decode(buffer.get(), KXV_BEST_QUALITY, nullptr), S_OK);
    for (uint32_t y = 0; y < buffer.rows(); ++y) {
      for (uint32_t x = 0; x < buffer.columns(); ++x) {
        const int64_t ix = static_cast<int64_t>(scene.ulx) + x, iy = static_cast<int64_t>(scene.uly) + y;
        const bool inside = ix >= 0 && iy >= 0 && ix < 128 && iy < 64;
        const uint32_t expected[] = {10, 0xFFEC, 301};
        for (uint32_t s = 0; s < 3; ++s) {
          EXPECT_EQ(buffer.sample(x, y, s),
                    inside ? FakeUpstream::SampleValue(ix, iy, s, 0.5, KX_TYPE_S16) : expected[s]);
        }
      }
    }
  }
}

TEST(FakeUpstreamTest, BandSelectingDecodeWritesMappedBandsInMapOrder) {
  FakeUpstreamConfig config;
  config.numBands = 7;
  config.colorSpace = KX_CS_MULTIBAND;
  UpstreamRef upstream(config);
  const uint16_t map[] = {6, 0, 3};
  OwnedDecodeBuffer buffer(MakeScene(0, 0, 8, 4), BufferLayout::BandSequential(3, KX_TYPE_U16));
  ASSERT_EQ(upstream->DecodeBands(buffer.get(), KXV_BEST_QUALITY, map, nullptr), S_OK);
  EXPECT_EQ(buffer.sample(5, 2, 0), FakeUpstream::SampleValue(5, 2, 6, 1.0, KX_TYPE_U16));
  EXPECT_EQ(buffer.sample(5, 2, 1), FakeUpstream::SampleValue(5, 2, 0, 1.0, KX_TYPE_U16));
  EXPECT_EQ(upstream->FirstMismatch(buffer.record(), map), "");
  EXPECT_EQ(upstream->lastBandMap(), std::vector<uint16_t>({6, 0, 3}));
  EXPECT_EQ(upstream->bandSelectDecodeCount(), 1u);
  EXPECT_EQ(upstream->decodeCount(), 0u);
  // A band the image lacks, or no map at all, is refused.
  const uint16_t badMap[] = {6, 7, 0};
  EXPECT_EQ(upstream->DecodeBands(buffer.get(), KXV_BEST_QUALITY, badMap, nullptr), E_INVALIDARG);
  EXPECT_EQ(upstream->DecodeBands(buffer.get(), KXV_BEST_QUALITY, nullptr, nullptr), E_INVALIDARG);
}

TEST(FakeUpstreamTest, UnsoundBuffersAreRefusedUntouched) {
  UpstreamRef upstream;
  EXPECT_EQ(upstream->Decode(nullptr, KXV_BEST_QUALITY, nullptr), E_INVALIDARG);
  DecodeBuffer noMemory = MakeDecodeRecord(MakeScene(0, 0, 4, 4), BufferLayout::Interleaved(3, KX_TYPE_U8));
  EXPECT_EQ(upstream->Decode(&noMemory, KXV_BEST_QUALITY, nullptr), E_INVALIDARG);
  const std::vector<void (*)(DecodeBuffer&)> spoilers = {
      [](DecodeBuffer& b) { b.format.spp = 4; },  // more samples than the image has bands
      [](DecodeBuffer& b) { b.format.type = 5; },
      [](DecodeBuffer& b) { b.format.order = 2; },
      [](DecodeBuffer& b) { b.format.stride = 0; },
      [](DecodeBuffer& b) { b.format.smap[1] = -1; },
      [](DecodeBuffer& b) { b.scene.width = std::nan(""); },
      [](DecodeBuffer& b) { b.scene.height = -3.0; },
      [](DecodeBuffer& b) { b.scene.mag = 0.0; },
      [](DecodeBuffer& b) { b.scene.ulx = 1e300; },
  };
  for (size_t i = 0; i < spoilers.size(); ++i) {
    OwnedDecodeBuffer buffer(MakeScene(0, 0, 4, 4), BufferLayout::Interleaved(4, KX_TYPE_U8));
    buffer.get()->format.spp = 3;
    spoilers[i](*buffer.get());
    EXPECT_EQ(upstream->Decode(buffer.get(), KXV_BEST_QUALITY, nullptr), E_INVALIDARG) << "spoiler " << i;
    for (size_t b = 0; b < buffer.byteSize(); ++b) ASSERT_EQ(buffer.bytes()[b], 0xCD) << "spoiler " << i;
  }
}

TEST(FakeUpstreamTest, CallsAreCountedAndScenesRecorded) {
  UpstreamRef upstream;
  RasterProps props;
  int context = 0;
  ASSERT_EQ(upstream->GetRasterProps(&props), S_OK);
  OwnedDecodeBuffer first(MakeScene(0, 0, 4, 4), BufferLayout::Interleaved(3, KX_TYPE_U8));
  OwnedDecodeBuffer second(MakeScene(10, 20, 2, 3, 0.25), BufferLayout::Interleaved(3, KX_TYPE_U8));
  ASSERT_EQ(upstream->Decode(first.get(), 1, nullptr), S_OK);
  ASSERT_EQ(upstream->Decode(second.get(), KXV_BEST_QUALITY, &context), S_OK);
  EXPECT_EQ(upstream->getRasterPropsCount(), 1u);
  EXPECT_EQ(upstream->decodeCount(), 2u);
  ASSERT_EQ(upstream->decodedScenes().size(), 2u);
  EXPECT_EQ(upstream->decodedScenes()[0].width, 4.0);
  EXPECT_EQ(upstream->lastDecodeScene().mag, 0.25);
  EXPECT_EQ(upstream->lastDecodeQuality(), KXV_BEST_QUALITY);
  EXPECT_EQ(upstream->lastDecodeThird(), &context);
  EXPECT_EQ(second.record().resultCode, upstream->config().decodeResultCode);
  EXPECT_EQ(second.record().resultFlag, upstream->config().decodeResultFlag);
  upstream->clearRecords();
  EXPECT_TRUE(upstream->decodedScenes().empty());
  EXPECT_EQ(upstream->decodeCount(), 2u);
}

TEST(FakeUpstreamTest, InjectedFaultsFailWithoutWriting) {
  UpstreamRef upstream;
  RasterProps props;
  upstream->failGetRasterProps(E_FAIL);
  EXPECT_EQ(upstream->GetRasterProps(&props), E_FAIL);
  EXPECT_EQ(props.width, 0u);
  upstream->failGetRasterProps(S_OK);
  EXPECT_EQ(upstream->GetRasterProps(&props), S_OK);

  // One more decode succeeds, then every decode fails until switched off.
  upstream->failDecode(KX_E_NO_PIXEL_MEMORY, 1);
  OwnedDecodeBuffer buffer(MakeScene(0, 0, 4, 4), BufferLayout::Interleaved(3, KX_TYPE_U8));
  EXPECT_EQ(upstream->Decode(buffer.get(), KXV_BEST_QUALITY, nullptr), S_OK);
  buffer.fill(0xCD);
  buffer.get()->resultCode = 1;
  EXPECT_EQ(upstream->Decode(buffer.get(), KXV_BEST_QUALITY, nullptr), KX_E_NO_PIXEL_MEMORY);
  const uint16_t map[] = {0, 1, 2};
  EXPECT_EQ(upstream->DecodeBands(buffer.get(), KXV_BEST_QUALITY, map, nullptr), KX_E_NO_PIXEL_MEMORY);
  EXPECT_EQ(buffer.sample(0, 0, 0), 0xCDu);
  EXPECT_EQ(buffer.record().resultCode, 1u);
  upstream->failDecode(S_OK);
  EXPECT_EQ(upstream->Decode(buffer.get(), KXV_BEST_QUALITY, nullptr), S_OK);
  EXPECT_EQ(upstream->decodeCount(), 3u);

  upstream->failInitialize(E_FAIL);
  EXPECT_EQ(upstream->Initialize(), E_FAIL);
  EXPECT_EQ(upstream->initializeCount(), 1u);
}

TEST(FakeUpstreamTest, RasterPropsDescribeImageAndSampleSignedness) {
  struct Case {
    uint32_t colorSpace, numBands, type;
    int32_t pixelType;
    uint32_t pixelColorSpace;
  };
  const Case cases[] = {{KX_CS_RGB, 3, KX_TYPE_U8, KX_SAMPLE_U8, 769},
                        {KX_CS_RGB, 3, KX_TYPE_S8, KX_SAMPLE_S8, 769},
                        {KX_CS_MULTIBAND, 7, KX_TYPE_S16, KX_SAMPLE_S16, 65281},
                        {KX_CS_CMYK, 4, KX_TYPE_U16, KX_SAMPLE_U16, 1026},
                        {KX_CS_RGB, 1, KX_TYPE_U8, KX_SAMPLE_U8, 65281}};
  for (const Case& c : cases) {
    FakeUpstreamConfig config;
    config.colorSpace = c.colorSpace;
    config.numBands = c.numBands;
    config.type = c.type;
    UpstreamRef upstream(config);
    RasterProps props;
    ASSERT_EQ(upstream->GetRasterProps(&props), S_OK);
    EXPECT_EQ(props.flags, kAllCapabilities);
    EXPECT_EQ(props.width, 256u);
    EXPECT_EQ(props.numBands, c.numBands);
    EXPECT_EQ(props.colorSpace, c.colorSpace);
    EXPECT_EQ(props.minMag, 1.0 / 64);
    EXPECT_EQ(props.pixel.getDataType(), c.pixelType);
    EXPECT_EQ(props.pixel.isSigned(), c.type == KX_TYPE_S8 || c.type == KX_TYPE_S16);
    EXPECT_EQ(props.pixel.colorSpace(), c.pixelColorSpace);
    EXPECT_EQ(props.pixel.numBands(), c.numBands);
  }
}

TEST(FakeUpstreamTest, OptionalInterfacesAnswerOnlyWhileSwitchedOn) {
  UpstreamRef upstream;
  using Switch = void (FakeUpstream::*)(bool);
  const std::pair<IID, Switch> optional[] = {{IID_IKxBandSelectDecode, &FakeUpstream::enableBandSelect},
                                             {IID_IKxImageSizeQuery, &FakeUpstream::enableImageSize},
                                             {IID_IKxBackgroundPixelQuery, &FakeUpstream::enableBackground},
                                             {IID_IKxGeoSpatialInfo, &FakeUpstream::enableSpatialInfo}};
  for (const auto& [iid, enable] : optional) {
    void* out = &upstream;
    EXPECT_EQ(upstream->FindInterface(iid, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    (upstream.fake->*enable)(true);
    ASSERT_EQ(upstream->QueryInterface(iid, &out), S_OK);
    EXPECT_EQ(upstream->refCount(), 2u);
    static_cast<IUnknown*>(out)->Release();
    (upstream.fake->*enable)(false);
  }
  IKxContentImp* below = upstream.fake;
  EXPECT_EQ(upstream->SetContainedImp(upstream.fake), E_FAIL);
  EXPECT_EQ(upstream->RemoveContainedImp(&below), E_FAIL);
  EXPECT_EQ(below, nullptr);
  below = upstream.fake;
  EXPECT_EQ(upstream->GetContainedImp(&below), S_OK);
  EXPECT_EQ(below, nullptr);
  EXPECT_EQ(upstream->refCount(), 1u);
}

TEST(FakeUpstreamTest, SizeBackgroundAndSpatialQueries) {
  FakeUpstreamConfig config;
  config.background = {7, 8, 9};
  config.domain = GeoDomain{100.0, 200.0, 0.5, -0.5};
  config.srsWkt = "LOCAL_CS[\"grid\"]";
  UpstreamRef upstream(config);
  uint32_t width = 0, height = 0;
  EXPECT_EQ(upstream->GetImageSize(0.3, &width, &height), S_OK);
  EXPECT_EQ(width, 77u);  // floor(256 x 0.3 + 0.5)
  EXPECT_EQ(height, 38u);

  uint32_t zero = 0;
  OwnedDecodeBuffer pixel(MakeScene(0, 0, 1, 1), BufferLayout::Interleaved(3, KX_TYPE_U16));
  ASSERT_EQ(upstream->GetBackgroundPixel(&zero, pixel.get()), S_OK);
  EXPECT_EQ(pixel.sample(0, 0, 0), 7u);
  EXPECT_EQ(pixel.sample(0, 0, 2), 9u);

  GeoDomain domain;
  ASSERT_EQ(upstream->GetSpatialDomain(&domain), S_OK);
  EXPECT_EQ(domain.resY, -0.5);
  const int referencesBefore = FakeSpatialReference::LiveCount();
  IKxSpatialReference* srs = nullptr;
  ASSERT_EQ(upstream->GetSpatialReference(&srs), S_OK);
  ASSERT_NE(srs, nullptr);
  EXPECT_STREQ(srs->GetWkt(), "LOCAL_CS[\"grid\"]");
  EXPECT_EQ(srs->GetProj4(), nullptr);
  srs->Release();
  EXPECT_EQ(FakeSpatialReference::LiveCount(), referencesBefore);

  config.imageSizeUnknown = true;
  config.spatialReferenceNull = true;
  UpstreamRef blind(config);
  EXPECT_EQ(blind->GetImageSize(1.0, &width, &height), S_OK);
  EXPECT_EQ(width + height, 0u);
  EXPECT_EQ(blind->GetSpatialReference(&srs), S_OK);
  EXPECT_EQ(srs, nullptr);
}

TEST(FakeUpstreamTest, LastReleaseDestroysTheSource) {
  const int before = FakeUpstream::LiveCount();
  FakeUpstream* upstream = FakeUpstream::Create();
  EXPECT_EQ(FakeUpstream::LiveCount(), before + 1);
  EXPECT_EQ(upstream->AddRef(), 2u);
  EXPECT_EQ(upstream->Release(), 1u);
  EXPECT_EQ(upstream->Release(), 0u);
  EXPECT_EQ(FakeUpstream::LiveCount(), before);
}

TEST(FakeUpstreamTest, ConcurrentDecodesAreAllCountedAndCorrect) {
  UpstreamRef upstream;
  constexpr int kThreads = 8, kDecodes = 25;
  std::vector<std::string> failures(kThreads);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < kDecodes && failures[t].empty(); ++i) {
        OwnedDecodeBuffer buffer(MakeScene(t * 9, i, 16, 8, 1.0 / (1 + t % 3)), BufferLayout::Interleaved(3, t % 4));
        if (upstream->Decode(buffer.get(), KXV_BEST_QUALITY, nullptr) != S_OK) failures[t] = "decode failed";
        if (failures[t].empty()) failures[t] = upstream->FirstMismatch(buffer.record());
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  for (const std::string& failure : failures) EXPECT_EQ(failure, "");
  EXPECT_EQ(upstream->decodeCount(), static_cast<uint32_t>(kThreads * kDecodes));
  EXPECT_EQ(upstream->decodedScenes().size(), static_cast<size_t>(kThreads * kDecodes));
}

TEST(DecodeBufferBuilderTest, LayoutsFollowTheRecordArithmetic) {
  // Width 10.4 gives 10 columns; three 8-bit samples with stride 3 and align 4.
  BufferLayout layout = BufferLayout::Interleaved(3, KX_TYPE_U8);
  layout.align = 4;
  EXPECT_EQ(MakeDecodeRecord(MakeScene(0, 0, 10.4, 5), layout).format.rowbytes, 32u);
  layout.align = 1;
  EXPECT_EQ(MakeDecodeRecord(MakeScene(0, 0, 10.4, 5), layout).format.rowbytes, 30u);
  const DecodeBuffer planar = MakeDecodeRecord(MakeScene(0, 0, 10.4, 5), BufferLayout::BandSequential(3, KX_TYPE_U8));
  EXPECT_EQ(planar.format.rowbytes, 10u);
  EXPECT_EQ(planar.format.stride, 1u);
  EXPECT_EQ(planar.format.smap[2], 100);

  OwnedDecodeBuffer buffer(MakeScene(0, 0, 3, 2), BufferLayout::Interleaved(3, KX_TYPE_U16));
  buffer.fill(0);
  buffer.setSample(2, 1, 1, 0xBEEF);
  EXPECT_EQ(FirstSampleMismatch(buffer.record(), [](uint32_t, uint32_t, uint32_t) { return 0u; }),
            "sample 1 of pixel (2, 1): got 0xBEEF, expected 0x0");
  buffer.bytes()[buffer.byteSize()] = 0;
  EXPECT_FALSE(buffer.guardIntact());
}

TEST(RecordingLoggerTest, RecordsEverythingSentThroughTheSink) {
  const int before = RecordingLogger::LiveCount();
  RecordingLogger* logger = RecordingLogger::Create(6);
  IKxLogSink* sink = KxLogSinkOf(static_cast<IKxLogger*>(logger));
  EXPECT_EQ(sink->GetLevel(), 6u);
  logger->setLevel(40);
  EXPECT_EQ(sink->GetLevel(), 40u);
  std::vector<std::thread> writers;
  for (uint32_t t = 0; t < 4; ++t) {
    writers.emplace_back([sink, t] {
      for (int i = 0; i < 50; ++i) sink->Write(t, "cached tile /tmp/a.raw will be recovered");
    });
  }
  for (std::thread& writer : writers) writer.join();
  sink->Write(7, nullptr);
  EXPECT_EQ(logger->entries().size(), 201u);
  EXPECT_TRUE(logger->contains(3, "cached tile /tmp/a.raw will be recovered"));
  EXPECT_FALSE(logger->contains(3, "cached tile"));
  EXPECT_TRUE(logger->containsFragment(3, "cached tile"));
  EXPECT_TRUE(logger->contains(7, ""));
  logger->clear();
  EXPECT_TRUE(logger->entries().empty());
  void* out = nullptr;
  ASSERT_EQ(logger->QueryInterface(IID_IKxLogger, &out), S_OK);
  EXPECT_EQ(out, static_cast<IKxLogger*>(logger));
  static_cast<IKxLogger*>(out)->Release();
  logger->Release();
  EXPECT_EQ(RecordingLogger::LiveCount(), before);
}

}  // namespace
}  // namespace Kelvane::Fakes
