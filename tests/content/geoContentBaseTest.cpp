// Decoding map rectangles through a geo stage: which scene reaches the
// source, when the request is refused, what is logged, and that every
// reference taken along the way is given back.
#include <gtest/gtest.h>

#include <limits>
#include <tuple>
#include <vector>

#include "com/kxComClassEntry.h"
#include "content/kxv_geoContentBase.h"
#include "fakes/decodeBufferBuilder.h"
#include "fakes/fakeSpatialReference.h"
#include "fakes/fakeUpstream.h"
#include "fakes/recordingLogger.h"

namespace Kelvane {
namespace {

using Fakes::FakeSpatialReference;
using Fakes::FakeUpstream;

// A stage whose own decode counts the calls that reach it.
class CountingGeoStage : public KxvGeoContentBase {
 public:
  HRESULT KX_STDCALL Decode(DecodeBuffer* buffer, uint32_t quality, void* third) override {
    ++calls;
    return KxvGeoContentBase::Decode(buffer, quality, third);
  }
  int calls = 0;
};

// A 256 x 128 image from map (1000, 2000), 2 map units per pixel, north up, with a reference
// (or none); a stage over it (or over nothing), a 64 x 32 caller buffer and a logger at level 40.
// Going, it proves that everything taken along the way was given back.
struct GeoChain {
  explicit GeoChain(bool chainHasReference = true, bool linked = true) {
    Fakes::FakeUpstreamConfig config;
    config.hasSpatialInfo = true;
    config.domain = GeoDomain{1000, 2000, 2, -2};
    config.srsWkt = "WKT-A";
    config.srsProj = "+proj=a";
    config.spatialReferenceNull = !chainHasReference;
    source = FakeUpstream::Create(config);
    INondelegatingUnknown* object = nullptr;
    EXPECT_EQ(KxComCreate<CountingGeoStage>(nullptr, &object), S_OK);
    stage = static_cast<CountingGeoStage*>(object);
    stage->SetLogger(logger);
    if (linked) stage->SetContainedImp(source);
  }
  ~GeoChain() {
    stage->NondelegatingRelease();
    source->Release();
    logger->Release();
    EXPECT_EQ(KxComUnknown::GetLiveObjectCount(), liveObjects);
    EXPECT_EQ(FakeSpatialReference::LiveCount(), liveReferences);
  }
  HRESULT geoDecode(const GeoDomain& rect, IKxSpatialReference* srs) {
    return stage->GeoDecode(&rect, srs, buffer.get(), 0);
  }

  const int32_t liveObjects = KxComUnknown::GetLiveObjectCount();
  const int liveReferences = FakeSpatialReference::LiveCount();
  FakeUpstream* source = nullptr;
  Fakes::RecordingLogger* logger = Fakes::RecordingLogger::Create(40);
  CountingGeoStage* stage = nullptr;
  Fakes::OwnedDecodeBuffer buffer{Fakes::MakeScene(0, 0, 64, 32), Fakes::BufferLayout::Interleaved(3, KX_TYPE_U8)};
};

// Map x 1128..1384 and y 1936 down to 1808: image pixels 64..192 and 32..96, at half size 64 x 32.
constexpr GeoDomain kMapRect{1128, 1936, 256, 128};

// The source gets the rectangle's scene through the stage's own decode; the caller's scene stays.
TEST(GeoContentBase, MapRectangleIsDecodedThroughTheStagesOwnDecode) {
  GeoChain chain;
  FakeSpatialReference* srs = FakeSpatialReference::Create("WKT-A", "+proj=a");
  EXPECT_EQ(chain.geoDecode(kMapRect, srs), S_OK);
  srs->Release();
  const Scene decoded = chain.source->lastDecodeScene();
  EXPECT_EQ((std::vector<double>{decoded.ulx, decoded.uly, decoded.width, decoded.height, decoded.mag}),
            (std::vector<double>{32, 16, 64, 32, 0.5}));
  EXPECT_EQ(chain.stage->calls, 1);
  DecodeBuffer view = chain.buffer.record();
  view.scene = decoded;
  EXPECT_EQ(chain.source->FirstMismatch(view), "");
  EXPECT_EQ(chain.buffer.record().scene.ulx, 0.0);
  EXPECT_EQ(chain.buffer.record().resultCode, chain.source->config().decodeResultCode);
}

// References must match the chain's, and the rectangle must come out at the buffer's size, or nothing is decoded.
TEST(GeoContentBase, RequestMustMatchTheChainsReferenceAndTheBuffersSize) {
  // Reference texts given (null: no reference), whether the chain has one, the rectangle, the outcome.
  const std::tuple<const char*, const char*, bool, GeoDomain, HRESULT> cases[] = {
      {"WKT-B", "+proj=a", true, kMapRect, S_OK},
      {"WKT-A", "+proj=b", true, kMapRect, S_OK},
      {"WKT-B", "", true, kMapRect, KX_E_GEO_MISMATCH},
      {"", "", true, kMapRect, KX_E_GEO_MISMATCH},
      {nullptr, nullptr, true, kMapRect, KX_E_GEO_MISMATCH},
      {nullptr, nullptr, false, kMapRect, S_OK},
      {"WKT-A", "+proj=a", false, kMapRect, KX_E_GEO_MISMATCH},
      {nullptr, nullptr, false, GeoDomain{1128, 1936, 256, 64}, KX_E_GEO_MISMATCH},  // half the height
      {nullptr, nullptr, false, GeoDomain{1128, 1936, 0, 128}, KX_E_GEO_MISMATCH},
      {nullptr, nullptr, false, GeoDomain{std::numeric_limits<double>::quiet_NaN(), 1936, 256, 128}, KX_E_GEO_MISMATCH},
  };
  for (const auto& [wkt, proj, chainHasReference, rect, expected] : cases) {
    GeoChain chain(chainHasReference);
    FakeSpatialReference* srs = wkt ? FakeSpatialReference::Create(wkt, proj) : nullptr;
    EXPECT_EQ(chain.geoDecode(rect, srs), expected) << (wkt ? wkt : "none") << " width " << rect.resX;
    EXPECT_EQ(chain.source->decodeCount(), expected == S_OK ? 1u : 0u);
    if (srs != nullptr) srs->Release();
  }
}

// Missing buffer, pixel memory or upstream are refused and logged at level 2
// (the line's form is the log's own: logTest.cpp).
TEST(GeoContentBase, MissingPiecesAreRefusedAndLoggedAtLevelTwo) {
  GeoChain chain;
  EXPECT_EQ(chain.stage->GeoDecode(&kMapRect, nullptr, nullptr, 0), E_INVALIDARG);
  EXPECT_TRUE(chain.logger->containsFragment(2, "null pointer finalBuf in file kxv_geoContentBase"));
  chain.buffer.get()->pBits = nullptr;
  EXPECT_EQ(chain.geoDecode(kMapRect, nullptr), E_INVALIDARG);
  EXPECT_TRUE(chain.logger->containsFragment(2, "null pointer finalBuf->pBits in file"));

  GeoChain unlinked(true, false);
  EXPECT_EQ(unlinked.geoDecode(kMapRect, nullptr), E_FAIL);
  EXPECT_TRUE(unlinked.logger->containsFragment(2, "null pointer getContainedImp() in file"));
  GeoDomain domain;
  EXPECT_EQ(unlinked.stage->GetSpatialDomain(&domain), E_FAIL);
  EXPECT_EQ(unlinked.source->getRasterPropsCount() + chain.source->getRasterPropsCount(), 0u);
}

}  // namespace
}  // namespace Kelvane
