// A host-side spatial reference with two fixed text forms, for the geo stages.
#ifndef KELVANE_FAKES_FAKE_SPATIAL_REFERENCE_H
#define KELVANE_FAKES_FAKE_SPATIAL_REFERENCE_H

#include <new>
#include <string>

#include "fakes/fakeComSupport.h"

namespace Kelvane::Fakes {

class FakeSpatialReference final : public KxHostObject<FakeSpatialReference, IKxSpatialReference> {
 public:
  // An empty text makes the matching getter return null. Count 1.
  static FakeSpatialReference* Create(const std::string& wkt, const std::string& proj4) {
    return new (std::nothrow) FakeSpatialReference(wkt, proj4);
  }

  HRESULT KX_STDCALL QueryInterface(const IID& iid, void** out) override {
    return KxHostAnswerQuery(static_cast<IKxSpatialReference*>(this), iid, {&IID_IUnknown, &IID_IKxSpatialReference},
                             out);
  }
  const char* KX_STDCALL GetWkt() override { return wkt_.empty() ? nullptr : wkt_.c_str(); }
  const char* KX_STDCALL GetProj4() override { return proj4_.empty() ? nullptr : proj4_.c_str(); }

 private:
  FakeSpatialReference(const std::string& wkt, const std::string& proj4) : wkt_(wkt), proj4_(proj4) {}

  const std::string wkt_;
  const std::string proj4_;
};

}  // namespace Kelvane::Fakes

#endif  // KELVANE_FAKES_FAKE_SPATIAL_REFERENCE_H
