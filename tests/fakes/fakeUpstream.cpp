#include "fakes/fakeUpstream.h"

#include <cmath>
#include <new>

#include "fakes/decodeBufferBuilder.h"
#include "fakes/fakeComSupport.h"
#include "fakes/fakeSpatialReference.h"
#include "fakes/sceneWriter.h"
#include "fakes/syntheticSamples.h"

namespace Kelvane::Fakes {

namespace {

std::atomic<int> g_liveUpstreams{0};

// KxISample data type of a source of the given host type.
int32_t PixelDataType(uint32_t type, bool forceSigned) {
  switch (type) {
    case KX_TYPE_S8: return KX_SAMPLE_S8;
    case KX_TYPE_U16: return forceSigned ? KX_SAMPLE_S16 : KX_SAMPLE_U16;
    case KX_TYPE_S16: return KX_SAMPLE_S16;
    case KX_TYPE_F32: return KX_SAMPLE_F32;
    default: return forceSigned ? KX_SAMPLE_S8 : KX_SAMPLE_U8;
  }
}

// Raster-library colour-space code of a host number, with the bands that
// code names; multiband when the band count cannot carry those bands.
uint32_t PixelColorSpace(uint32_t hostColorSpace, uint32_t numBands) {
  struct Mapping {
    uint32_t host;
    uint32_t code;
    uint32_t named;
  };
  static const Mapping kMappings[] = {{KX_CS_RGB, 769, 3},        {KX_CS_CMYK, 1026, 4}, {KX_CS_GREY, 257, 1},
                                      {KX_CS_RGBK, 1025, 4},      {KX_CS_YIQ, 771, 3},   {KX_CS_YIQK, 1027, 4},
                                      {KX_CS_MULTIBAND, 65281, 0}};
  for (const Mapping& mapping : kMappings) {
    if (mapping.host == hostColorSpace) return numBands < mapping.named ? 65281u : mapping.code;
  }
  return 0;
}

}  // namespace

FakeUpstream* FakeUpstream::Create(const FakeUpstreamConfig& config) { return new (std::nothrow) FakeUpstream(config); }

int FakeUpstream::LiveCount() { return g_liveUpstreams.load(); }

FakeUpstream::FakeUpstream(const FakeUpstreamConfig& config)
    : config_(config),
      bandSelect_(config.hasBandSelect),
      imageSize_(config.hasImageSize),
      background_(config.hasBackground),
      spatialInfo_(config.hasSpatialInfo) {
  ++g_liveUpstreams;
}

FakeUpstream::~FakeUpstream() { --g_liveUpstreams; }

uint32_t FakeUpstream::SampleValue(int64_t x, int64_t y, uint32_t band, double mag, uint32_t type) {
  return SyntheticSampleBits(x, y, band, mag, type);
}

bool FakeUpstream::SampleAt(int64_t x, int64_t y, uint32_t band, double mag, uint32_t type, uint32_t* value) const {
  const bool inside = x >= 0 && y >= 0 && x < ImageWidthAt(mag) && y < ImageHeightAt(mag);
  *value = inside ? SampleValue(x, y, band, mag, type) : BackgroundValue(band, type);
  return inside;
}

uint32_t FakeUpstream::ExpectedSample(int64_t x, int64_t y, uint32_t band, double mag, uint32_t type) const {
  uint32_t value = 0;
  SampleAt(x, y, band, mag, type, &value);
  return value;
}

uint32_t FakeUpstream::BackgroundValue(uint32_t band, uint32_t type) const {
  return EncodeSampleBits(band < config_.background.size() ? config_.background[band] : 0.0, type);
}

int64_t FakeUpstream::ImageWidthAt(double mag) const { return ScaledExtent(config_.width, mag); }

int64_t FakeUpstream::ImageHeightAt(double mag) const { return ScaledExtent(config_.height, mag); }

std::string FakeUpstream::FirstMismatch(const DecodeBuffer& buffer, const uint16_t* bandMap) const {
  const Scene& scene = buffer.scene;
  const int64_t x0 = static_cast<int64_t>(std::floor(scene.ulx + 0.5));
  const int64_t y0 = static_cast<int64_t>(std::floor(scene.uly + 0.5));
  return FirstSampleMismatch(buffer, [&](uint32_t x, uint32_t y, uint32_t s) {
    const uint32_t band = bandMap != nullptr ? bandMap[s] : s;
    return ExpectedSample(x0 + x, y0 + y, band, scene.mag, buffer.format.type);
  });
}

void FakeUpstream::failDecode(HRESULT status, uint32_t afterCalls) {
  decodesBeforeFault_ = afterCalls;
  failDecode_ = status;
}

bool FakeUpstream::decodeFaultDue() {
  if (failDecode_.load() == S_OK) return false;
  // Spend one of the remaining successful decodes, if any are left.
  uint32_t left = decodesBeforeFault_.load();
  while (left > 0) {
    if (decodesBeforeFault_.compare_exchange_weak(left, left - 1)) return false;
  }
  return true;
}

std::vector<Scene> FakeUpstream::decodedScenes() const {
  std::lock_guard<std::mutex> hold(recordMutex_);
  return scenes_;
}

Scene FakeUpstream::lastDecodeScene() const {
  std::lock_guard<std::mutex> hold(recordMutex_);
  return scenes_.empty() ? Scene() : scenes_.back();
}

uint32_t FakeUpstream::lastDecodeQuality() const {
  std::lock_guard<std::mutex> hold(recordMutex_);
  return lastQuality_;
}

void* FakeUpstream::lastDecodeThird() const {
  std::lock_guard<std::mutex> hold(recordMutex_);
  return lastThird_;
}

std::vector<uint16_t> FakeUpstream::lastBandMap() const {
  std::lock_guard<std::mutex> hold(recordMutex_);
  return lastBandMap_;
}

void FakeUpstream::clearRecords() {
  std::lock_guard<std::mutex> hold(recordMutex_);
  scenes_.clear();
  lastQuality_ = 0;
  lastThird_ = nullptr;
  lastBandMap_.clear();
}

HRESULT KX_STDCALL FakeUpstream::QueryInterface(const IID& iid, void** out) {
  const HRESULT primary = FakeQuerySingle(static_cast<IKxContentImp*>(this), IID_IKxContentImp, iid, out);
  if (primary != E_NOINTERFACE) return primary;
  if (bandSelect_ && KxIsEqualGUID(iid, IID_IKxBandSelectDecode)) {
    return FakeHandOut(static_cast<IKxBandSelectDecode*>(this), out);
  }
  if (imageSize_ && KxIsEqualGUID(iid, IID_IKxImageSizeQuery)) {
    return FakeHandOut(static_cast<IKxImageSizeQuery*>(this), out);
  }
  if (background_ && KxIsEqualGUID(iid, IID_IKxBackgroundPixelQuery)) {
    return FakeHandOut(static_cast<IKxBackgroundPixelQuery*>(this), out);
  }
  if (spatialInfo_ && KxIsEqualGUID(iid, IID_IKxGeoSpatialInfo)) {
    return FakeHandOut(static_cast<IKxGeoSpatialInfo*>(this), out);
  }
  return E_NOINTERFACE;
}

ULONG KX_STDCALL FakeUpstream::AddRef() { return ++refs_; }

ULONG KX_STDCALL FakeUpstream::Release() {
  const ULONG left = --refs_;
  if (left == 0) delete this;
  return left;
}

HRESULT KX_STDCALL FakeUpstream::GetRasterProps(RasterProps* props) {
  ++propsCalls_;
  if (props == nullptr) return E_INVALIDARG;
  const HRESULT fault = failProps_.load();
  if (fault != S_OK) return fault;
  try {
    // The pixel first: it is the only part that can fail.
    const uint16_t pixelBands = static_cast<uint16_t>(config_.numBands > 0xFFFFu ? 0xFFFFu : config_.numBands);
    props->pixel = KxIPixel(PixelColorSpace(config_.colorSpace, pixelBands), pixelBands,
                            PixelDataType(config_.type, config_.signedSamples), nullptr);
  } catch (...) {
    return E_OUTOFMEMORY;
  }
  props->flags = config_.flags;
  props->width = config_.width;
  props->height = config_.height;
  props->colorSpace = config_.colorSpace;
  props->numBands = config_.numBands;
  props->bitsPerSample = config_.bitsPerSample;
  props->maxMag = config_.maxMag;
  props->minMag = config_.minMag;
  return S_OK;
}

HRESULT FakeUpstream::decodeScene(DecodeBuffer* buffer, uint32_t quality, void* third, const uint16_t* bandMap) {
  try {
    // Record the call first, so failed calls are seen too.
    {
      std::lock_guard<std::mutex> hold(recordMutex_);
      scenes_.push_back(buffer != nullptr ? buffer->scene : Scene());
      lastQuality_ = quality;
      lastThird_ = third;
      if (bandMap != nullptr && buffer != nullptr && buffer->format.spp <= 256) {
        lastBandMap_.assign(bandMap, bandMap + buffer->format.spp);
      }
    }
    if (decodeFaultDue()) return failDecode_.load();
    const SyntheticImage image{config_.width, config_.height, config_.numBands, &config_.background};
    const HRESULT status = WriteSyntheticScene(buffer, image, bandMap);
    if (SUCCEEDED(status)) {
      buffer->resultCode = config_.decodeResultCode;
      buffer->resultFlag = config_.decodeResultFlag;
    }
    return status;
  } catch (...) {
    return E_OUTOFMEMORY;
  }
}

HRESULT KX_STDCALL FakeUpstream::Decode(DecodeBuffer* buffer, uint32_t quality, void* third) {
  ++decodeCalls_;
  return decodeScene(buffer, quality, third, nullptr);
}

HRESULT KX_STDCALL FakeUpstream::DecodeBands(DecodeBuffer* buffer, uint32_t quality, const uint16_t* bandMap,
                                             void* context) {
  ++bandDecodeCalls_;
  if (bandMap == nullptr) return E_INVALIDARG;
  return decodeScene(buffer, quality, context, bandMap);
}

HRESULT KX_STDCALL FakeUpstream::Operation5(void* /*argument*/) {
  ++operationCalls_;
  return S_OK;
}

HRESULT KX_STDCALL FakeUpstream::Operation6(void* /*argument*/) {
  ++operationCalls_;
  return S_OK;
}

HRESULT KX_STDCALL FakeUpstream::Initialize() {
  ++initializeCalls_;
  return failInitialize_.load();
}

HRESULT KX_STDCALL FakeUpstream::FindInterface(const IID& iid, void** out) { return QueryInterface(iid, out); }

HRESULT KX_STDCALL FakeUpstream::SetContainedImp(IKxContentImp* /*imp*/) { return E_FAIL; }

HRESULT KX_STDCALL FakeUpstream::RemoveContainedImp(IKxContentImp** out) {
  if (out != nullptr) *out = nullptr;
  return E_FAIL;
}

HRESULT KX_STDCALL FakeUpstream::GetContainedImp(IKxContentImp** out) {
  if (out == nullptr) return E_INVALIDARG;
  *out = nullptr;
  return S_OK;
}

HRESULT KX_STDCALL FakeUpstream::GetImageSize(double mag, uint32_t* width, uint32_t* height) {
  ++imageSizeCalls_;
  if (width == nullptr || height == nullptr) return E_INVALIDARG;
  *width = 0;
  *height = 0;
  if (!std::isfinite(mag) || mag <= 0.0 || mag > 1.0e6) return E_INVALIDARG;
  if (config_.imageSizeUnknown) return S_OK;
  *width = static_cast<uint32_t>(ImageWidthAt(mag));
  *height = static_cast<uint32_t>(ImageHeightAt(mag));
  return S_OK;
}

HRESULT KX_STDCALL FakeUpstream::GetBackgroundPixel(uint32_t* /*reserved*/, DecodeBuffer* onePixel) {
  ++backgroundCalls_;
  const SyntheticImage image{config_.width, config_.height, config_.numBands, &config_.background};
  return WriteBackgroundPixel(onePixel, image);
}

HRESULT KX_STDCALL FakeUpstream::GetSpatialDomain(GeoDomain* out) {
  if (out == nullptr) return E_INVALIDARG;
  *out = config_.domain;
  return S_OK;
}

HRESULT KX_STDCALL FakeUpstream::GetSpatialReference(IKxSpatialReference** out) {
  if (out == nullptr) return E_INVALIDARG;
  *out = nullptr;
  if (config_.spatialReferenceNull) return S_OK;
  try {
    *out = FakeSpatialReference::Create(config_.srsWkt, config_.srsProj);
  } catch (...) {
    return E_OUTOFMEMORY;
  }
  return *out != nullptr ? S_OK : E_OUTOFMEMORY;
}

}  // namespace Kelvane::Fakes
