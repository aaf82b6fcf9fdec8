// KxvGeoContentBase: the content base of stages over geo-referenced images.
// It decodes a map rectangle instead of a pixel scene (GeoDecode), passes the
// chain's spatial information through from upstream, and keeps two resampler
// settings whose meaning belongs to the stages and the host that use them.
//
// A base only: it has no class-table row and no create function of its own.
// Derived stages that override InternalQueryInterface pass unknown
// identifiers on to KxvGeoContentBase::InternalQueryInterface. GeoDecode asks
// the object's own IKxContentImp for properties and the decode, so a derived
// stage's GetRasterProps and Decode answer it.
#ifndef KELVANE_CONTENT_KXV_GEO_CONTENT_BASE_H
#define KELVANE_CONTENT_KXV_GEO_CONTENT_BASE_H

#include "content/kxv_contentBase.h"
#include "kelvane/kx_lib_sp_xform.h"

namespace Kelvane {

class KxvGeoContentBase : public KxvContentBase,
                          public IKxGeoRaster,
                          public IKxGeoSpatialInfo,
                          public IKxResamplerConfig {
 public:
  // Resampler settings of a new stage.
  static constexpr uint32_t kInitialResamplerOption = 0;
  static constexpr double kInitialResamplerValue = 0.5;

  KxvGeoContentBase() = default;

  KX_DELEGATE_IUNKNOWN_TO_OUTER

  // Answers IKxGeoRaster, IKxGeoSpatialInfo and IKxResamplerConfig, then
  // whatever the content base answers.
  HRESULT InternalQueryInterface(const IID& iid, void** out) override;

  // IKxGeoRaster. Decodes the map rectangle `rect` (x, y, width, height in
  // map units) in the spatial reference `srs` (null: none) into `finalBuf`,
  // whose scene size and layout stay as the caller set them. Gives
  // KX_E_GEO_MISMATCH when the references differ or the rectangle does not
  // come out at exactly the buffer's size; nothing is decoded then.
  HRESULT KX_STDCALL GeoDecode(const GeoDomain* rect, IKxSpatialReference* srs, DecodeBuffer* finalBuf,
                               uint32_t ignored) override;

  // IKxGeoSpatialInfo: asked of the first link below this stage that offers
  // it; E_FAIL without a contained imp.
  HRESULT KX_STDCALL GetSpatialDomain(GeoDomain* out) override;
  HRESULT KX_STDCALL GetSpatialReference(IKxSpatialReference** out) override;

  // IKxResamplerConfig: stored and handed back unchanged.
  HRESULT KX_STDCALL SetResamplerValue(double value) override;
  double KX_STDCALL GetResamplerValue() override;
  HRESULT KX_STDCALL SetResamplerOption(uint32_t option) override;
  uint32_t KX_STDCALL GetResamplerOption() override;

  // Whether two spatial references name the same system: both null, or both
  // present with equal second text forms, or else equal first text forms.
  static bool SpatialReferencesMatch(IKxSpatialReference* first, IKxSpatialReference* second);

 private:
  // Body of GeoDecode once its arguments are checked, run inside guarded().
  HRESULT geoDecodeChecked(const GeoDomain& rect, IKxSpatialReference* srs, DecodeBuffer& finalBuf);
  // Decodes `rect` into finalBuf's memory once the references match.
  HRESULT decodeMapRect(const GeoDomain& rect, const GeoDomain& nativeDomain, DecodeBuffer& finalBuf);

  uint32_t resamplerOption_ = kInitialResamplerOption;
  double resamplerValue_ = kInitialResamplerValue;
};

}  // namespace Kelvane

#endif  // KELVANE_CONTENT_KXV_GEO_CONTENT_BASE_H
