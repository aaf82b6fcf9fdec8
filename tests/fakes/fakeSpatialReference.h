// A host-side spatial reference with two fixed text forms, for the geo
// stages. Reference-counted; the object deletes itself on its last Release.
#ifndef KELVANE_FAKES_FAKE_SPATIAL_REFERENCE_H
#define KELVANE_FAKES_FAKE_SPATIAL_REFERENCE_H

#include <atomic>
#include <string>

#include "kelvane/kx_lib_sp_xform.h"

namespace Kelvane::Fakes {

class FakeSpatialReference final : public IKxSpatialReference {
 public:
  // An empty text makes the matching getter return null. Count 1.
  static FakeSpatialReference* Create(const std::string& wkt, const std::string& proj4);
  // Objects of this class alive in the process (to prove none leaks).
  static int LiveCount();

  HRESULT KX_STDCALL QueryInterface(const IID& iid, void** out) override;
  ULONG KX_STDCALL AddRef() override;
  ULONG KX_STDCALL Release() override;
  const char* KX_STDCALL GetWkt() override;
  const char* KX_STDCALL GetProj4() override;

  ULONG refCount() const { return refs_.load(); }

 private:
  FakeSpatialReference(const std::string& wkt, const std::string& proj4);
  ~FakeSpatialReference();

  std::atomic<ULONG> refs_{1};
  const std::string wkt_;
  const std::string proj4_;
};

}  // namespace Kelvane::Fakes

#endif  // KELVANE_FAKES_FAKE_SPATIAL_REFERENCE_H
