// The spatial reference a GDAL source hands to the module.
#ifndef KXHOST_GDAL_SPATIAL_REFERENCE_H
#define KXHOST_GDAL_SPATIAL_REFERENCE_H

#include <string>

#include "kelvane/kx_lib_sp_xform.h"
#include "kxhost/refCounted.h"

namespace Kelvane {

// Immutable text forms of one reference: slot 3 the WKT, slot 4 the PROJ
// string; either is null when the reference has no such form.
class KxGdalSpatialReference final : public IKxSpatialReference, private KxRefCounted<KxGdalSpatialReference> {
 public:
  // The new object carries one reference, owned by the caller; null when
  // memory runs out.
  static KxGdalSpatialReference* create(const std::string& wkt, const std::string& proj4);

  HRESULT KX_STDCALL QueryInterface(const IID& iid, void** out) override;
  ULONG KX_STDCALL AddRef() override { return addReference(); }
  ULONG KX_STDCALL Release() override { return releaseReference(); }
  const char* KX_STDCALL GetWkt() override { return wkt_.empty() ? nullptr : wkt_.c_str(); }
  const char* KX_STDCALL GetProj4() override { return proj4_.empty() ? nullptr : proj4_.c_str(); }

 private:
  friend class KxRefCounted<KxGdalSpatialReference>;
  KxGdalSpatialReference(const std::string& wkt, const std::string& proj4) : wkt_(wkt), proj4_(proj4) {}
  ~KxGdalSpatialReference() = default;

  const std::string wkt_;
  const std::string proj4_;
};

}  // namespace Kelvane

#endif  // KXHOST_GDAL_SPATIAL_REFERENCE_H
