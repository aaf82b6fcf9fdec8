#include "kxhost/gdalSpatialReference.h"

#include <new>

namespace Kelvane {

KxGdalSpatialReference* KxGdalSpatialReference::create(const std::string& wkt, const std::string& proj4) {
  try {
    return new KxGdalSpatialReference(wkt, proj4);
  } catch (...) {
    return nullptr;
  }
}

HRESULT KX_STDCALL KxGdalSpatialReference::QueryInterface(const IID& iid, void** out) {
  return KxAnswerQuery(static_cast<IKxSpatialReference*>(this), iid, {&IID_IUnknown, &IID_IKxSpatialReference}, out);
}

}  // namespace Kelvane
