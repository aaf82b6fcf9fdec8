// Decoding map rectangles through a geo stage: which scene reaches the
// source, when the request is refused, what is logged, and that every
// reference taken along the way is given back.
#include <gtest/gtest.h>

#include <iterator>
#include <limits>
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
using Fakes::FakeUpstreamConfig;

// A stage whose own content-imp operations count the calls that reach them.
class CountingGeoStage : public KxvGeoContentBase {
 public:
  HRESULT KX_STDCALL GetRasterProps(RasterProps* props) override {
    ++calls;
    return KxvGeoContentBase::GetRasterProps(props);
  }
  HRESULT KX_STDCALL Decode(DecodeBuffer* buffer, uint32_t quality, void* third) override {
    ++calls;
    return KxvGeoContentBase::Decode(buffer, quality, third);
  }
  int calls = 0;
};

// A 256 x 128 image from map (1000, 2000), 2 map units per pixel, north up, with a reference
// (or none); a stage over it (or over nothing), a 64 x 32 caller buffer and a logger at level 40.
struct GeoChain {
  explicit GeoChain(bool chainHasReference = true, bool linked = true) {
    FakeUpstreamConfig config;
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
  }
  HRESULT geoDecode(const GeoDomain& rect, IKxSpatialReference* srs) {
    return stage->GeoDecode(&rect, srs, buffer.get(), 0);
  }

  FakeUpstream* source = nullptr;
  Fakes::RecordingLogger* logger = Fakes::RecordingLogger::Create(40);
  CountingGeoStage* stage = nullptr;
  Fakes::OwnedDecodeBuffer buffer{Fakes::MakeScene(0, 0, 64, 32), Fakes::BufferLayout::Interleaved(3, KX_TYPE_U8)};
};

// Map x 1128..1384 and y 1936 down to 1808: image pixels 64..192 and 32..96, at half size 64 x 32.
constexpr GeoDomain kMapRect{1128, 1936, 256, 128};

class GeoContentBase : public ::testing::Test {
 protected:
  void TearDown() override {
    EXPECT_EQ(KxComUnknown::GetLiveObjectCount(), liveObjects_);
    EXPECT_EQ(FakeSpatialReference::LiveCount(), liveReferences_);
  }
  const int32_t liveObjects_ = KxComUnknown::GetLiveObjectCount();
  const int liveReferences_ = FakeSpatialReference::LiveCount();
};

TEST_F(GeoContentBase, MapRectangleIsDecodedThroughTheStagesOwnOperations) {
  GeoChain chain;
  FakeSpatialReference* srs = FakeSpatialReference::Create("WKT-A", "+proj=a");
  EXPECT_EQ(chain.geoDecode(kMapRect, srs), S_OK);
  srs->Release();
  const Scene decoded = chain.source->lastDecodeScene();
  EXPECT_EQ((std::vector<double>{decoded.ulx, decoded.uly, decoded.width, decoded.height, decoded.mag}),
            (std::vector<double>{32, 16, 64, 32, 0.5}));
  EXPECT_EQ(chain.stage->calls, 2);
  DecodeBuffer view = chain.buffer.record();
  view.scene = decoded;
  EXPECT_EQ(chain.source->FirstMismatch(view), "");
  // The caller's scene stays; the decode's result word comes back to it.
  EXPECT_EQ(chain.buffer.record().scene.ulx, 0.0);
  EXPECT_EQ(chain.buffer.record().resultCode, chain.source->config().decodeResultCode);
  for (const char* trace : {"GetSpatialReference(&srsNative) (file: kxv_geoContentBase line: 80)",
                            "GetSpatialDomain(&geoDomainNative) (file: kxv_geoContentBase line: 85)",
                            "GetRasterProps(&props) (file: kxv_geoContentBase line: 98)"}) {
    EXPECT_TRUE(chain.logger->contains(40, trace)) << trace;
  }
}

TEST_F(GeoContentBase, RequestMustBeInTheChainsSpatialReference) {
  struct Case {
    const char* wkt;  // null: no reference given
    const char* proj;
    bool chainHasReference;
    HRESULT expected;
  } const cases[] = {
      {"WKT-B", "+proj=a", true, S_OK},
      {"WKT-A", "+proj=b", true, S_OK},
      {"WKT-B", "", true, KX_E_GEO_MISMATCH},
      {"", "", true, KX_E_GEO_MISMATCH},
      {nullptr, nullptr, true, KX_E_GEO_MISMATCH},
      {nullptr, nullptr, false, S_OK},
      {"WKT-A", "+proj=a", false, KX_E_GEO_MISMATCH},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    GeoChain chain(cases[i].chainHasReference);
    FakeSpatialReference* srs = cases[i].wkt ? FakeSpatialReference::Create(cases[i].wkt, cases[i].proj) : nullptr;
    EXPECT_EQ(chain.geoDecode(kMapRect, srs), cases[i].expected) << "case " << i;
    EXPECT_EQ(chain.source->decodeCount(), cases[i].expected == S_OK ? 1u : 0u) << "case " << i;
    if (srs != nullptr) srs->Release();
  }
}

TEST_F(GeoContentBase, RectangleThatDoesNotComeOutAtTheBuffersSizeDecodesNothing) {
  // Half the height for the same width; no width at all; not a number.
  for (const GeoDomain& rect : {GeoDomain{1128, 1936, 256, 64}, GeoDomain{1128, 1936, 0, 128},
                                GeoDomain{std::numeric_limits<double>::quiet_NaN(), 1936, 256, 128}}) {
    GeoChain chain(false);
    EXPECT_EQ(chain.geoDecode(rect, nullptr), KX_E_GEO_MISMATCH);
    EXPECT_EQ(chain.source->decodeCount(), 0u);
  }
}

TEST_F(GeoContentBase, MissingPiecesAreRefusedAndLoggedAtLevelTwo) {
  GeoChain chain;
  EXPECT_EQ(chain.stage->GeoDecode(&kMapRect, nullptr, nullptr, 0), E_INVALIDARG);
  EXPECT_TRUE(chain.logger->contains(2, "null pointer finalBuf in file kxv_geoContentBase at line 71"));
  chain.buffer.get()->pBits = nullptr;
  EXPECT_EQ(chain.geoDecode(kMapRect, nullptr), E_INVALIDARG);
  EXPECT_TRUE(chain.logger->contains(2, "null pointer finalBuf->pBits in file kxv_geoContentBase at line 72"));

  GeoChain unlinked(true, false);
  EXPECT_EQ(unlinked.geoDecode(kMapRect, nullptr), E_FAIL);
  EXPECT_TRUE(unlinked.logger->contains(2, "null pointer getContainedImp() in file kxv_geoContentBase at line 73"));
  GeoDomain domain;
  EXPECT_EQ(unlinked.stage->GetSpatialDomain(&domain), E_FAIL);
  EXPECT_EQ(unlinked.source->getRasterPropsCount() + chain.source->getRasterPropsCount(), 0u);
}

}  // namespace
}  // namespace Kelvane
