// FakeUpstream: an in-memory upstream source (the host's decoder) that serves
// a synthetic image computed from column, row, band and magnification, so any
// scene a stage asks for, and any buffer a stage hands back, can be checked
// exactly. It writes every DecodeBuffer layout: pixel-interleaved or
// band-sequential, any stride, sample map and row bytes, host types 0, 1, 2,
// 3 and 10.
//
// The optional host interfaces (band-selecting decode, image-size query,
// background-pixel query, spatial information) are answered by
// QueryInterface/FindInterface only while switched on. Every call is counted
// and decoded scenes are recorded; failures can be injected. Counters,
// records and switches are safe to use from many threads at once.
//
// The source is the end of a chain: SetContainedImp and RemoveContainedImp
// fail with E_FAIL, GetContainedImp gives null.
#ifndef KELVANE_FAKES_FAKE_UPSTREAM_H
#define KELVANE_FAKES_FAKE_UPSTREAM_H

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

#include "kelvane/kx_lib_sp_xform.h"

namespace Kelvane::Fakes {

// Every capability bit: the fake writes any layout and any scene itself.
inline constexpr uint32_t kAllCapabilities = KX_CAP_PARTIAL_SCENE | KX_CAP_POW2_MAG | KX_CAP_ANY_MAG |
                                             KX_CAP_OUTSIDE_IMAGE | KX_CAP_COLOR_SPACE | KX_CAP_STRIDE |
                                             KX_CAP_DATA_TYPE | KX_CAP_ORDER | KX_CAP_SAMPLE_MAP | KX_CAP_BPS;

struct FakeUpstreamConfig {
  // What GetRasterProps reports. `type` is the host sample type of the
  // source; it decides the data type of the reported pixel (signed types give
  // signed samples). Decoded samples always take the buffer's own type.
  uint32_t width = 256;
  uint32_t height = 128;
  uint32_t numBands = 3;
  uint32_t colorSpace = KX_CS_RGB;
  uint32_t type = KX_TYPE_U8;
  uint32_t bitsPerSample = 8;
  uint32_t flags = kAllCapabilities;
  double maxMag = 1.0;
  double minMag = 1.0 / 64;
  bool signedSamples = false;  // forces a signed pixel even for an unsigned type

  // Background value of each band (numeric; missing entries are 0), written
  // for pixels outside the image and by the background-pixel query.
  std::vector<double> background;

  // Spatial information: the domain, and the two texts of the spatial
  // reference (empty = the getter returns null). With spatialReferenceNull
  // GetSpatialReference hands out no reference at all.
  GeoDomain domain{};
  std::string srsWkt;
  std::string srsProj;
  bool spatialReferenceNull = false;

  // Initial state of the optional-interface switches.
  bool hasBandSelect = false;
  bool hasImageSize = false;
  bool hasBackground = false;
  bool hasSpatialInfo = false;
  // The image-size query answers 0 x 0 ("not available").
  bool imageSizeUnknown = false;

  // Written into resultCode/resultFlag of every buffer the fake decodes, so
  // tests can see whether a stage carried them back.
  uint32_t decodeResultCode = 0x5A5A;
  uint8_t decodeResultFlag = 1;
};

class FakeUpstream final : public IKxContentImp,
                           public IKxBandSelectDecode,
                           public IKxImageSizeQuery,
                           public IKxBackgroundPixelQuery,
                           public IKxGeoSpatialInfo {
 public:
  // A new source holding one reference (the caller's); null when out of memory.
  static FakeUpstream* Create(const FakeUpstreamConfig& config = FakeUpstreamConfig());
  // FakeUpstream objects alive in the process (to prove none leaks).
  static int LiveCount();

  // The synthetic sample of pixel (x, y) of band `band` in the image scaled
  // by `mag`, as the bit pattern of host type `type` (see syntheticSamples.h:
  // 8/16-bit samples zero-extended, floats as IEEE bits). 8-bit types use all
  // 256 values along a row, 16-bit types every high byte, signed types and
  // floats negative values too; floats are exact quarters.
  static uint32_t SampleValue(int64_t x, int64_t y, uint32_t band, double mag, uint32_t type);

  // What a decode writes at image pixel (x, y) at `mag`: the synthetic sample
  // inside the image, the band's background outside. Returns true inside.
  bool SampleAt(int64_t x, int64_t y, uint32_t band, double mag, uint32_t type, uint32_t* value) const;
  uint32_t ExpectedSample(int64_t x, int64_t y, uint32_t band, double mag, uint32_t type) const;
  uint32_t BackgroundValue(uint32_t band, uint32_t type) const;
  // Image extent at a magnification: floor(size * mag + 0.5).
  int64_t ImageWidthAt(double mag) const;
  int64_t ImageHeightAt(double mag) const;

  // Empty when every sample of `buffer` is what this source decodes for the
  // buffer's scene (with the band map, when given); otherwise a description
  // of the first difference.
  std::string FirstMismatch(const DecodeBuffer& buffer, const uint16_t* bandMap = nullptr) const;

  const FakeUpstreamConfig& config() const { return config_; }
  ULONG refCount() const { return refs_.load(); }

  // Optional interfaces (answered by QueryInterface only while on).
  void enableBandSelect(bool on) { bandSelect_ = on; }
  void enableImageSize(bool on) { imageSize_ = on; }
  void enableBackground(bool on) { background_ = on; }
  void enableSpatialInfo(bool on) { spatialInfo_ = on; }

  // Fault injection; 0 switches the fault off. A decode fault applies to
  // Decode and DecodeBands alike: the first `afterCalls` decodes from now
  // still succeed, every later one returns `status` without writing.
  void failGetRasterProps(HRESULT status) { failProps_ = status; }
  void failDecode(HRESULT status, uint32_t afterCalls = 0);
  void failInitialize(HRESULT status) { failInitialize_ = status; }

  // Calls so far (failed ones included).
  uint32_t getRasterPropsCount() const { return propsCalls_.load(); }
  uint32_t decodeCount() const { return decodeCalls_.load(); }
  uint32_t bandSelectDecodeCount() const { return bandDecodeCalls_.load(); }
  uint32_t initializeCount() const { return initializeCalls_.load(); }
  uint32_t imageSizeQueryCount() const { return imageSizeCalls_.load(); }
  uint32_t backgroundQueryCount() const { return backgroundCalls_.load(); }
  uint32_t operationCount() const { return operationCalls_.load(); }  // Operation5 and Operation6

  // Scenes of every Decode and DecodeBands call, in call order.
  std::vector<Scene> decodedScenes() const;
  Scene lastDecodeScene() const;  // all zero before the first decode
  uint32_t lastDecodeQuality() const;
  void* lastDecodeThird() const;
  std::vector<uint16_t> lastBandMap() const;  // spp entries of the last DecodeBands
  void clearRecords();

  // IUnknown
  HRESULT KX_STDCALL QueryInterface(const IID& iid, void** out) override;
  ULONG KX_STDCALL AddRef() override;
  ULONG KX_STDCALL Release() override;

  // IKxContentImp
  HRESULT KX_STDCALL GetRasterProps(RasterProps* props) override;
  HRESULT KX_STDCALL Decode(DecodeBuffer* buffer, uint32_t quality, void* third) override;
  HRESULT KX_STDCALL Operation5(void* argument) override;
  HRESULT KX_STDCALL Operation6(void* argument) override;
  HRESULT KX_STDCALL Initialize() override;
  HRESULT KX_STDCALL FindInterface(const IID& iid, void** out) override;
  HRESULT KX_STDCALL SetContainedImp(IKxContentImp* imp) override;
  HRESULT KX_STDCALL RemoveContainedImp(IKxContentImp** out) override;
  HRESULT KX_STDCALL GetContainedImp(IKxContentImp** out) override;

  // IKxBandSelectDecode
  HRESULT KX_STDCALL DecodeBands(DecodeBuffer* buffer, uint32_t quality, const uint16_t* bandMap,
                                 void* context) override;
  // IKxImageSizeQuery
  HRESULT KX_STDCALL GetImageSize(double mag, uint32_t* width, uint32_t* height) override;
  // IKxBackgroundPixelQuery
  HRESULT KX_STDCALL GetBackgroundPixel(uint32_t* reserved, DecodeBuffer* onePixel) override;
  // IKxGeoSpatialInfo
  HRESULT KX_STDCALL GetSpatialDomain(GeoDomain* out) override;
  HRESULT KX_STDCALL GetSpatialReference(IKxSpatialReference** out) override;

 private:
  explicit FakeUpstream(const FakeUpstreamConfig& config);
  ~FakeUpstream();

  // Counts and records one decode call, then decodes unless a fault is due.
  HRESULT decodeScene(DecodeBuffer* buffer, uint32_t quality, void* third, const uint16_t* bandMap);
  bool decodeFaultDue();

  const FakeUpstreamConfig config_;
  std::atomic<ULONG> refs_{1};

  std::atomic<bool> bandSelect_;
  std::atomic<bool> imageSize_;
  std::atomic<bool> background_;
  std::atomic<bool> spatialInfo_;

  std::atomic<HRESULT> failProps_{S_OK};
  std::atomic<HRESULT> failDecode_{S_OK};
  std::atomic<uint32_t> decodesBeforeFault_{0};
  std::atomic<HRESULT> failInitialize_{S_OK};

  std::atomic<uint32_t> propsCalls_{0};
  std::atomic<uint32_t> decodeCalls_{0};
  std::atomic<uint32_t> bandDecodeCalls_{0};
  std::atomic<uint32_t> initializeCalls_{0};
  std::atomic<uint32_t> imageSizeCalls_{0};
  std::atomic<uint32_t> backgroundCalls_{0};
  std::atomic<uint32_t> operationCalls_{0};

  mutable std::mutex recordMutex_;  // guards the records below
  std::vector<Scene> scenes_;
  uint32_t lastQuality_ = 0;
  void* lastThird_ = nullptr;
  std::vector<uint16_t> lastBandMap_;
};

}  // namespace Kelvane::Fakes

#endif  // KELVANE_FAKES_FAKE_UPSTREAM_H
