#include "hostChain/gdalSpatialReference.h"

#include <new>

namespace kxhost {

GdalSpatialReference* GdalSpatialReference::create(const std::string& wkt, const std::string& proj4) {
  try {
    return new GdalSpatialReference(wkt, proj4);
  } catch (...) {
    return nullptr;
  }
}

HRESULT KX_STDCALL GdalSpatialReference::QueryInterface(const IID& iid, void** out) {
  return KxHostAnswerQuery(static_cast<IKxSpatialReference*>(this), iid, {&IID_IUnknown, &IID_IKxSpatialReference},
                           out);
}

}  // namespace kxhost
