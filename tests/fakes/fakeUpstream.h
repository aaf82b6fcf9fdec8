// FakeUpstream: an in-memory upstream source (the host's decoder) serving a
// synthetic image computed from column, row, band and magnification, so any
// scene a stage asks for, and any buffer a stage hands back, can be checked
// exactly. It writes every DecodeBuffer layout and host types 0, 1, 2, 3, 10.
//
// The optional host interfaces (band-selecting decode, image-size query,
// background-pixel query, spatial information) are answered by
// QueryInterface/FindInterface only while switched on. Calls are counted,
// decoded scenes recorded and failures can be injected, all thread-safe.
// The source is the end of a chain: it holds no contained imp.
#ifndef KELVANE_FAKES_FAKE_UPSTREAM_H
#define KELVANE_FAKES_FAKE_UPSTREAM_H

#include <functional>
#include <string>
#include <vector>

#include "fakes/fakeComSupport.h"
#include "fakes/sceneWriter.h"
#include "fakes/syntheticSamples.h"

namespace Kelvane::Fakes {

// Every capability bit: the fake writes any layout and any scene itself.
inline constexpr uint32_t kAllCapabilities = KX_CAP_PARTIAL_SCENE | KX_CAP_POW2_MAG | KX_CAP_ANY_MAG |
                                             KX_CAP_OUTSIDE_IMAGE | KX_CAP_COLOR_SPACE | KX_CAP_STRIDE |
                                             KX_CAP_DATA_TYPE | KX_CAP_ORDER | KX_CAP_SAMPLE_MAP | KX_CAP_BPS;

struct FakeUpstreamConfig {
  // What GetRasterProps reports; `type` also decides the data type of the
  // reported pixel. Decoded samples always take the buffer's own type.
  uint32_t width = 256;
  uint32_t height = 128;
  uint32_t numBands = 3;
  uint32_t colorSpace = KX_CS_RGB;
  uint32_t type = KX_TYPE_U8;
  uint32_t bitsPerSample = 8;
  uint32_t flags = kAllCapabilities;
  double maxMag = 1.0;
  double minMag = 1.0 / 64;

  // Background value of each band (missing entries are 0), written outside
  // the image and by the background-pixel query.
  std::vector<double> background;

  // Spatial information; an empty text makes the reference's getter return
  // null, spatialReferenceNull hands out no reference at all.
  GeoDomain domain{};
  std::string srsWkt;
  std::string srsProj;
  bool spatialReferenceNull = false;

  // Which optional interfaces are answered.
  bool hasBandSelect = false;
  bool hasImageSize = false;
  bool hasBackground = false;
  bool hasSpatialInfo = false;

  // Written into resultCode of every buffer decoded, to see it carried back.
  uint32_t decodeResultCode = 0x5A5A;
};

class FakeUpstream final : public KxHostObject<FakeUpstream, IKxContentImp, IKxBandSelectDecode, IKxImageSizeQuery,
                                               IKxBackgroundPixelQuery, IKxGeoSpatialInfo> {
 public:
  // A new source holding one reference (the caller's); null when out of memory.
  static FakeUpstream* Create(const FakeUpstreamConfig& config = FakeUpstreamConfig());

  // What a decode writes at image pixel (x, y) of the image scaled by `mag`,
  // as the bit pattern of host type `type`: the synthetic sample inside the
  // image (see syntheticSamples.h), the band's background outside.
  uint32_t ExpectedSample(int64_t x, int64_t y, uint32_t band, double mag, uint32_t type) const;
  // Image extent at a magnification: floor(size * mag + 0.5).
  int64_t ImageWidthAt(double mag) const { return ScaledExtent(config_.width, mag); }
  int64_t ImageHeightAt(double mag) const { return ScaledExtent(config_.height, mag); }

  // Empty when every sample of `buffer` is what this source decodes for its
  // scene (through the band map, when given); otherwise the first difference.
  std::string FirstMismatch(const DecodeBuffer& buffer, const uint16_t* bandMap = nullptr) const;

  const FakeUpstreamConfig& config() const { return config_; }
  void enableBandSelect(bool on) { bandSelect_ = on; }

  // Fault injection; S_OK switches the fault off. A decode fault applies to
  // Decode and DecodeBands alike: they return `status` without writing.
  void failGetRasterProps(HRESULT status) { failProps_ = status; }
  // A misbehaving host: `tamper` runs on the record of every Decode and
  // DecodeBands call after the pixels are written (or on the one-pixel
  // record of every background-pixel query), and may change anything in it
  // or call back into the stages. An empty function switches it off.
  using Tamper = std::function<void(DecodeBuffer&)>;
  void tamperWithDecodes(Tamper tamper) { SetLocked(recordMutex_, decodeTamper_, std::move(tamper)); }
  void tamperWithBackgroundPixel(Tamper tamper) { SetLocked(recordMutex_, backgroundTamper_, std::move(tamper)); }
  void failDecode(HRESULT status) { failDecode_ = status; }
  void failInitialize(HRESULT status) { failInitialize_ = status; }

  // Calls so far (failed ones included).
  uint32_t getRasterPropsCount() const { return calls_[kPropsCalls].load(); }
  uint32_t decodeCount() const { return calls_[kDecodeCalls].load(); }
  uint32_t bandSelectDecodeCount() const { return calls_[kBandDecodeCalls].load(); }
  uint32_t initializeCount() const { return calls_[kInitializeCalls].load(); }

  // Scenes of every Decode and DecodeBands call, in call order.
  std::vector<Scene> decodedScenes() const { return LockedCopy(recordMutex_, scenes_); }
  Scene lastDecodeScene() const {  // all zero before the first decode
    const std::vector<Scene> scenes = decodedScenes();
    return scenes.empty() ? Scene() : scenes.back();
  }
  uint32_t lastDecodeQuality() const { return LockedCopy(recordMutex_, lastQuality_); }
  void* lastDecodeThird() const { return LockedCopy(recordMutex_, lastThird_); }

  HRESULT KX_STDCALL QueryInterface(const IID& iid, void** out) override;
  // IKxContentImp
  HRESULT KX_STDCALL GetRasterProps(RasterProps* props) override;
  HRESULT KX_STDCALL Decode(DecodeBuffer* buffer, uint32_t quality, void* third) override {
    ++calls_[kDecodeCalls];
    return decodeScene(buffer, quality, third, nullptr);
  }
  HRESULT KX_STDCALL Operation5(void* /*argument*/) override { return S_OK; }
  HRESULT KX_STDCALL Operation6(void* /*argument*/) override { return S_OK; }
  HRESULT KX_STDCALL Initialize() override {
    ++calls_[kInitializeCalls];
    return failInitialize_.load();
  }
  HRESULT KX_STDCALL FindInterface(const IID& iid, void** out) override { return QueryInterface(iid, out); }
  HRESULT KX_STDCALL SetContainedImp(IKxContentImp* /*imp*/) override { return E_FAIL; }
  HRESULT KX_STDCALL RemoveContainedImp(IKxContentImp** out) override {
    if (out != nullptr) *out = nullptr;
    return E_FAIL;
  }
  HRESULT KX_STDCALL GetContainedImp(IKxContentImp** out) override {
    if (out != nullptr) *out = nullptr;
    return out != nullptr ? S_OK : E_INVALIDARG;
  }
  // Optional interfaces
  HRESULT KX_STDCALL DecodeBands(DecodeBuffer* buffer, uint32_t quality, const uint16_t* bandMap,
                                 void* context) override {
    ++calls_[kBandDecodeCalls];
    return bandMap == nullptr ? E_INVALIDARG : decodeScene(buffer, quality, context, bandMap);
  }
  HRESULT KX_STDCALL GetImageSize(double mag, uint32_t* width, uint32_t* height) override;
  HRESULT KX_STDCALL GetBackgroundPixel(uint32_t* reserved, DecodeBuffer* onePixel) override;
  HRESULT KX_STDCALL GetSpatialDomain(GeoDomain* out) override {
    if (out != nullptr) *out = config_.domain;
    return out != nullptr ? S_OK : E_INVALIDARG;
  }
  HRESULT KX_STDCALL GetSpatialReference(IKxSpatialReference** out) override;

 private:
  explicit FakeUpstream(const FakeUpstreamConfig& config);

  // Records one decode call, then decodes unless a fault is set.
  HRESULT decodeScene(DecodeBuffer* buffer, uint32_t quality, void* third, const uint16_t* bandMap);

  const FakeUpstreamConfig config_;
  std::atomic<bool> bandSelect_;

  std::atomic<HRESULT> failProps_{S_OK};
  std::atomic<HRESULT> failDecode_{S_OK};
  std::atomic<HRESULT> failInitialize_{S_OK};

  enum { kPropsCalls, kDecodeCalls, kBandDecodeCalls, kInitializeCalls };
  std::atomic<uint32_t> calls_[4] = {};

  mutable std::mutex recordMutex_;  // guards the records below
  std::vector<Scene> scenes_;
  Tamper decodeTamper_;
  Tamper backgroundTamper_;
  uint32_t lastQuality_ = 0;
  void* lastThird_ = nullptr;
};

}  // namespace Kelvane::Fakes

#endif  // KELVANE_FAKES_FAKE_UPSTREAM_H
