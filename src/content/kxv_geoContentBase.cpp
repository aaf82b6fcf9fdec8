#include "content/kxv_geoContentBase.h"

#include <cstring>

#include "content/kxv_geoNavigator.h"
#include "support/kxLog.h"

namespace Kelvane {

namespace {

// Source name and line numbers under which GeoDecode reports its checks and
// traced calls; the log lines carry these fixed values.
constexpr const char* kSourceName = "kxv_geoContentBase";
constexpr int kLineNullFinalBuf = 71;
constexpr int kLineNullPixels = 72;
constexpr int kLineNoContainedImp = 73;
constexpr int kLineNullRect = 74;
constexpr int kLineSpatialReference = 80;
constexpr int kLineSpatialDomain = 85;
constexpr int kLineRasterProps = 98;

// Two text forms are equal when both are present and hold the same bytes.
bool SameText(const char* first, const char* second) {
  return first != nullptr && second != nullptr && std::strcmp(first, second) == 0;
}

// Releases a spatial reference when the scope ends, on every path.
class SpatialReferenceHolder {
 public:
  SpatialReferenceHolder() = default;
  SpatialReferenceHolder(const SpatialReferenceHolder&) = delete;
  SpatialReferenceHolder& operator=(const SpatialReferenceHolder&) = delete;
  ~SpatialReferenceHolder() {
    if (reference_ != nullptr) reference_->Release();
  }
  IKxSpatialReference** out() { return &reference_; }
  IKxSpatialReference* get() const { return reference_; }

 private:
  IKxSpatialReference* reference_ = nullptr;
};

// Runs `call` on the spatial information of the first link below `containedImp`
// that offers it, releasing that interface afterwards.
template <typename Call>
HRESULT AskUpstreamSpatialInfo(IKxContentImp* containedImp, Call&& call) {
  if (containedImp == nullptr) return E_FAIL;
  void* found = nullptr;
  const HRESULT status = containedImp->FindInterface(IID_IKxGeoSpatialInfo, &found);
  if (FAILED(status)) return status;
  // A link that reports success without an interface has none to offer.
  if (found == nullptr) return E_NOINTERFACE;
  IKxGeoSpatialInfo* info = static_cast<IKxGeoSpatialInfo*>(found);
  const HRESULT result = call(info);
  info->Release();
  return result;
}

}  // namespace

HRESULT KxvGeoContentBase::InternalQueryInterface(const IID& iid, void** out) {
  return guarded([&]() -> HRESULT {
    if (out == nullptr) return E_INVALIDARG;
    *out = nullptr;
    // The geo interfaces first, then whatever the content base answers.
    if (KxIsEqualGUID(iid, IID_IKxGeoRaster)) return handOut(static_cast<IKxGeoRaster*>(this), out);
    if (KxIsEqualGUID(iid, IID_IKxGeoSpatialInfo)) return handOut(static_cast<IKxGeoSpatialInfo*>(this), out);
    if (KxIsEqualGUID(iid, IID_IKxResamplerConfig)) return handOut(static_cast<IKxResamplerConfig*>(this), out);
    return KxvContentBase::InternalQueryInterface(iid, out);
  });
}

HRESULT KX_STDCALL KxvGeoContentBase::GetSpatialDomain(GeoDomain* out) {
  return guarded([&]() -> HRESULT {
    if (getContainedImp() == nullptr) return E_FAIL;
    if (out == nullptr) return E_INVALIDARG;
    return AskUpstreamSpatialInfo(getContainedImp(),
                                  [&](IKxGeoSpatialInfo* info) { return info->GetSpatialDomain(out); });
  });
}

HRESULT KX_STDCALL KxvGeoContentBase::GetSpatialReference(IKxSpatialReference** out) {
  return guarded([&]() -> HRESULT {
    if (getContainedImp() == nullptr) return E_FAIL;
    if (out == nullptr) return E_INVALIDARG;
    return AskUpstreamSpatialInfo(getContainedImp(),
                                  [&](IKxGeoSpatialInfo* info) { return info->GetSpatialReference(out); });
  });
}

bool KxvGeoContentBase::SpatialReferencesMatch(IKxSpatialReference* first, IKxSpatialReference* second) {
  if (first == nullptr || second == nullptr) return first == second;
  // The second text form decides when both carry it; the first one otherwise.
  if (SameText(first->GetProj4(), second->GetProj4())) return true;
  return SameText(first->GetWkt(), second->GetWkt());
}

HRESULT KX_STDCALL KxvGeoContentBase::GeoDecode(const GeoDomain* rect, IKxSpatialReference* srs, DecodeBuffer* finalBuf,
                                                uint32_t /*ignored*/) {
  return guarded([&]() -> HRESULT {
    // The caller's buffer, its memory and an upstream source are needed before anything is asked.
    IKxLogSink* sink = logSink();
    if (finalBuf == nullptr) {
      logNullPointer(sink, "finalBuf", kSourceName, kLineNullFinalBuf);
      return E_INVALIDARG;
    }
    if (finalBuf->pBits == nullptr) {
      logNullPointer(sink, "finalBuf->pBits", kSourceName, kLineNullPixels);
      return E_INVALIDARG;
    }
    if (getContainedImp() == nullptr) {
      logNullPointer(sink, "getContainedImp()", kSourceName, kLineNoContainedImp);
      return E_FAIL;
    }
    if (rect == nullptr) {
      logNullPointer(sink, "rect", kSourceName, kLineNullRect);
      return E_INVALIDARG;
    }
    return geoDecodeChecked(*rect, srs, *finalBuf);
  });
}

HRESULT KxvGeoContentBase::geoDecodeChecked(const GeoDomain& rect, IKxSpatialReference* srs, DecodeBuffer& finalBuf) {
  IKxLogSink* sink = logSink();
  // The chain's own spatial reference and map domain, through this stage's interface.
  SpatialReferenceHolder srsNative;
  HRESULT status = static_cast<IKxGeoSpatialInfo*>(this)->GetSpatialReference(srsNative.out());
  logResult(sink, status, "GetSpatialReference(&srsNative)", kSourceName, kLineSpatialReference);
  if (FAILED(status)) {
    // What a failed call left in its out argument is not a reference to release.
    *srsNative.out() = nullptr;
    return status;
  }
  GeoDomain geoDomainNative;
  status = static_cast<IKxGeoSpatialInfo*>(this)->GetSpatialDomain(&geoDomainNative);
  logResult(sink, status, "GetSpatialDomain(&geoDomainNative)", kSourceName, kLineSpatialDomain);
  if (FAILED(status)) return status;

  // The request must be in the chain's spatial reference (or both have none).
  if (!SpatialReferencesMatch(srs, srsNative.get())) return KX_E_GEO_MISMATCH;
  return decodeMapRect(rect, geoDomainNative, finalBuf);
}

HRESULT KxvGeoContentBase::decodeMapRect(const GeoDomain& rect, const GeoDomain& nativeDomain, DecodeBuffer& finalBuf) {
  // Properties through this stage's own interface, so a derived stage answers.
  IKxContentImp* self = static_cast<IKxContentImp*>(this);
  RasterProps props;
  const HRESULT status = self->GetRasterProps(&props);
  logResult(logSink(), status, "GetRasterProps(&props)", kSourceName, kLineRasterProps);
  if (FAILED(status)) return status;

  // Zoom a scene of the buffer's pixel size onto the map rectangle, then take exactly the rectangle.
  KxvGeoNavigator navigator;
  navigator.SetProps(props);
  navigator.SetSceneSize(finalBuf.scene.width, finalBuf.scene.height, KXV_SPACE_MAG);
  // A domain or rectangle that cannot be placed on the image leaves no scene to decode.
  if (!navigator.SetGeoDomain(nativeDomain)) return KX_E_GEO_MISMATCH;
  const KxvRect mapRect = KxvRectFromMap(rect);
  navigator.FitScene(mapRect, KXV_SPACE_MAP, KXV_OCTAVE_THRESHOLD);
  if (!navigator.SetScene(mapRect, KXV_SPACE_MAP)) return KX_E_GEO_MISMATCH;

  // The working record shares the caller's pixel memory; only whole pixels are asked for.
  DecodeBuffer working = finalBuf;
  navigator.GetSceneInto(working, KXV_SPACE_MAG, true);
  if (working.scene.width != finalBuf.scene.width || working.scene.height != finalBuf.scene.height) {
    return KX_E_GEO_MISMATCH;
  }
  const HRESULT decoded = self->Decode(&working, KXV_BEST_QUALITY, nullptr);
  // The decode's result words belong to the caller's buffer.
  finalBuf.resultCode = working.resultCode;
  finalBuf.resultFlag = working.resultFlag;
  return decoded;
}

HRESULT KX_STDCALL KxvGeoContentBase::SetResamplerValue(double value) {
  resamplerValue_ = value;
  return S_OK;
}

double KX_STDCALL KxvGeoContentBase::GetResamplerValue() { return resamplerValue_; }

HRESULT KX_STDCALL KxvGeoContentBase::SetResamplerOption(uint32_t option) {
  resamplerOption_ = option;
  return S_OK;
}

uint32_t KX_STDCALL KxvGeoContentBase::GetResamplerOption() { return resamplerOption_; }

}  // namespace Kelvane
