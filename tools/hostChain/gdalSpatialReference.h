// The spatial reference a GDAL source hands to the module.
#ifndef KX_HOST_CHAIN_GDAL_SPATIAL_REFERENCE_H
#define KX_HOST_CHAIN_GDAL_SPATIAL_REFERENCE_H

#include <string>

#include "hostChain/kelvaneApi.h"

namespace kxhost {

// Immutable text forms of one reference: slot 3 the WKT, slot 4 the PROJ
// string; either is null when the reference has no such form.
class GdalSpatialReference final : public KxHostObject<GdalSpatialReference, IKxSpatialReference> {
 public:
  // The new object carries one reference, owned by the caller; null when
  // memory runs out.
  static GdalSpatialReference* create(const std::string& wkt, const std::string& proj4);

  HRESULT KX_STDCALL QueryInterface(const IID& iid, void** out) override;
  const char* KX_STDCALL GetWkt() override { return wkt_.empty() ? nullptr : wkt_.c_str(); }
  const char* KX_STDCALL GetProj4() override { return proj4_.empty() ? nullptr : proj4_.c_str(); }

 private:
  friend class KxHostObject<GdalSpatialReference, IKxSpatialReference>;
  GdalSpatialReference(const std::string& wkt, const std::string& proj4) : wkt_(wkt), proj4_(proj4) {}
  ~GdalSpatialReference() = default;

  const std::string wkt_;
  const std::string proj4_;
};

}  // namespace kxhost

#endif  // KX_HOST_CHAIN_GDAL_SPATIAL_REFERENCE_H
