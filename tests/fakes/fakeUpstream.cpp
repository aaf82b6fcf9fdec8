#include "fakes/fakeUpstream.h"

#include <new>

#include "fakes/decodeBufferBuilder.h"
#include "fakes/fakeSpatialReference.h"

namespace Kelvane::Fakes {

namespace {

// KxISample data type of a source of the given host type.
int32_t PixelDataType(uint32_t type) {
  const int32_t kDataTypes[] = {KX_SAMPLE_U8, KX_SAMPLE_S8, KX_SAMPLE_U16, KX_SAMPLE_S16};
  return type == KX_TYPE_F32 ? KX_SAMPLE_F32 : type < 4 ? kDataTypes[type] : KX_SAMPLE_U8;
}

// Raster-library colour-space code of a host number, with the bands that
// code names; multiband when the band count cannot carry those bands.
uint32_t PixelColorSpace(uint32_t hostColorSpace, uint32_t numBands) {
  // Host number, library code, bands named.
  static const uint32_t kMappings[][3] = {{KX_CS_RGB, 769, 3},        {KX_CS_CMYK, 1026, 4}, {KX_CS_GREY, 257, 1},
                                          {KX_CS_RGBK, 1025, 4},      {KX_CS_YIQ, 771, 3},   {KX_CS_YIQK, 1027, 4},
                                          {KX_CS_MULTIBAND, 65281, 0}};
  for (const auto& mapping : kMappings) {
    if (mapping[0] == hostColorSpace) return numBands < mapping[2] ? 65281u : mapping[1];
  }
  return 0;
}

}  // namespace

FakeUpstream* FakeUpstream::Create(const FakeUpstreamConfig& config) { return new (std::nothrow) FakeUpstream(config); }

FakeUpstream::FakeUpstream(const FakeUpstreamConfig& config) : config_(config), bandSelect_(config.hasBandSelect) {}

uint32_t FakeUpstream::ExpectedSample(int64_t x, int64_t y, uint32_t band, double mag, uint32_t type) const {
  if (x >= 0 && y >= 0 && x < ImageWidthAt(mag) && y < ImageHeightAt(mag))
    return SyntheticSampleBits(x, y, band, mag, type);
  return EncodeSampleBits(band < config_.background.size() ? config_.background[band] : 0.0, type);
}

std::string FakeUpstream::FirstMismatch(const DecodeBuffer& buffer, const uint16_t* bandMap) const {
  const Scene& scene = buffer.scene;
  const int64_t x0 = static_cast<int64_t>(std::floor(scene.ulx + 0.5));
  const int64_t y0 = static_cast<int64_t>(std::floor(scene.uly + 0.5));
  return FirstSampleMismatch(buffer, [&](uint32_t x, uint32_t y, uint32_t s) {
    return ExpectedSample(x0 + x, y0 + y, bandMap != nullptr ? bandMap[s] : s, scene.mag, buffer.format.type);
  });
}

HRESULT KX_STDCALL FakeUpstream::QueryInterface(const IID& iid, void** out) {
  // The content imp always; each optional interface only while switched on.
  const HRESULT status =
      KxHostAnswerQuery(static_cast<IKxContentImp*>(this), iid, {&IID_IUnknown, &IID_IKxContentImp}, out);
  const std::tuple<bool, const IID&, IUnknown*> optional[] = {
      {bandSelect_, IID_IKxBandSelectDecode, static_cast<IKxBandSelectDecode*>(this)},
      {config_.hasImageSize, IID_IKxImageSizeQuery, static_cast<IKxImageSizeQuery*>(this)},
      {config_.hasBackground, IID_IKxBackgroundPixelQuery, static_cast<IKxBackgroundPixelQuery*>(this)},
      {config_.hasSpatialInfo, IID_IKxGeoSpatialInfo, static_cast<IKxGeoSpatialInfo*>(this)}};
  for (const auto& [on, id, iface] : optional) {
    if (status != E_NOINTERFACE || !on || !KxIsEqualGUID(iid, id)) continue;
    *out = iface;
    iface->AddRef();
    return S_OK;
  }
  return status;
}

HRESULT KX_STDCALL FakeUpstream::GetRasterProps(RasterProps* props) {
  ++calls_[kPropsCalls];
  if (props == nullptr) return E_INVALIDARG;
  const HRESULT fault = failProps_.load();
  if (fault != S_OK) return fault;
  try {
    // The pixel first: it is the only part that can fail.
    const uint16_t pixelBands = static_cast<uint16_t>(config_.numBands > 0xFFFFu ? 0xFFFFu : config_.numBands);
    props->pixel =
        KxIPixel(PixelColorSpace(config_.colorSpace, pixelBands), pixelBands, PixelDataType(config_.type), nullptr);
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
    }
    const HRESULT fault = failDecode_.load();
    if (fault != S_OK) return fault;
    const HRESULT status =
        WriteSyntheticScene(buffer, {config_.width, config_.height, config_.numBands, &config_.background}, bandMap);
    if (SUCCEEDED(status)) buffer->resultCode = config_.decodeResultCode;
    const Tamper tamper = LockedCopy(recordMutex_, decodeTamper_);
    if (tamper && buffer != nullptr) tamper(*buffer);
    return status;
  } catch (...) {
    return E_OUTOFMEMORY;
  }
}

HRESULT KX_STDCALL FakeUpstream::GetImageSize(double mag, uint32_t* width, uint32_t* height) {
  if (width == nullptr || height == nullptr) return E_INVALIDARG;
  // A magnification the extent cannot be worked out at gives 0 x 0.
  const bool known = std::isfinite(mag) && mag > 0.0 && mag <= 1.0e6;
  *width = known ? static_cast<uint32_t>(ImageWidthAt(mag)) : 0;
  *height = known ? static_cast<uint32_t>(ImageHeightAt(mag)) : 0;
  return known ? S_OK : E_INVALIDARG;
}

HRESULT KX_STDCALL FakeUpstream::GetBackgroundPixel(uint32_t* /*reserved*/, DecodeBuffer* onePixel) {
  try {
    const HRESULT status =
        WriteBackgroundPixel(onePixel, {config_.width, config_.height, config_.numBands, &config_.background});
    const Tamper tamper = LockedCopy(recordMutex_, backgroundTamper_);
    if (tamper && onePixel != nullptr) tamper(*onePixel);
    return status;
  } catch (...) {
    return E_OUTOFMEMORY;
  }
}

HRESULT KX_STDCALL FakeUpstream::GetSpatialReference(IKxSpatialReference** out) {
  if (out == nullptr) return E_INVALIDARG;
  *out = nullptr;
  if (config_.spatialReferenceNull) return S_OK;
  try {
    *out = FakeSpatialReference::Create(config_.srsWkt, config_.srsProj);
  } catch (...) {  // the texts could not be copied: *out stays null
  }
  return *out != nullptr ? S_OK : E_OUTOFMEMORY;
}

}  // namespace Kelvane::Fakes
