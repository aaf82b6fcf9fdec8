#include "fakes/fakeSpatialReference.h"

#include <new>

#include "fakes/fakeComSupport.h"

namespace Kelvane::Fakes {

namespace {
std::atomic<int> g_liveReferences{0};
}  // namespace

FakeSpatialReference* FakeSpatialReference::Create(const std::string& wkt, const std::string& proj4) {
  return new (std::nothrow) FakeSpatialReference(wkt, proj4);
}

int FakeSpatialReference::LiveCount() { return g_liveReferences.load(); }

FakeSpatialReference::FakeSpatialReference(const std::string& wkt, const std::string& proj4)
    : wkt_(wkt), proj4_(proj4) {
  ++g_liveReferences;
}

FakeSpatialReference::~FakeSpatialReference() { --g_liveReferences; }

HRESULT KX_STDCALL FakeSpatialReference::QueryInterface(const IID& iid, void** out) {
  return FakeQuerySingle(static_cast<IKxSpatialReference*>(this), IID_IKxSpatialReference, iid, out);
}

ULONG KX_STDCALL FakeSpatialReference::AddRef() { return ++refs_; }

ULONG KX_STDCALL FakeSpatialReference::Release() {
  const ULONG left = --refs_;
  if (left == 0) delete this;
  return left;
}

const char* KX_STDCALL FakeSpatialReference::GetWkt() { return wkt_.empty() ? nullptr : wkt_.c_str(); }

const char* KX_STDCALL FakeSpatialReference::GetProj4() { return proj4_.empty() ? nullptr : proj4_.c_str(); }

}  // namespace Kelvane::Fakes
