// A component class that exists only for tests (one secondary interface,
// counters of its hooks, an Init result chosen by the test) and an outer
// unknown that counts the references it receives.
#ifndef KELVANE_TESTS_COM_TEST_COM_OBJECT_H
#define KELVANE_TESTS_COM_TEST_COM_OBJECT_H

#include "com/kxComClassEntry.h"

namespace Kelvane {

inline constexpr GUID IID_ITestSecondary = {
    0x5E3A0B6C, 0x1D2E, 0x4F30, {0x81, 0x92, 0xA3, 0xB4, 0xC5, 0xD6, 0xE7, 0xF8}};
inline constexpr GUID CLSID_TestObject = {0x7C1B2A39, 0x4E5D, 0x4C6B, {0x9A, 0x8B, 0x7C, 0x6D, 0x5E, 0x4F, 0x30, 0x21}};

struct ITestSecondary : IUnknown {
  virtual int KX_STDCALL Answer() = 0;  // 3

 protected:
  ~ITestSecondary() = default;
};

class TestComObject : public KxComUnknown, public ITestSecondary {
 public:
  ~TestComObject() override { ++destroyed; }

  KX_DELEGATE_IUNKNOWN_TO_OUTER

  HRESULT InternalQueryInterface(const IID& iid, void** out) override {
    if (out == nullptr) return E_INVALIDARG;
    *out = nullptr;
    if (KxIsEqualGUID(iid, IID_ITestSecondary)) return handOut(static_cast<ITestSecondary*>(this), out);
    return KxComUnknown::InternalQueryInterface(iid, out);
  }
  HRESULT Init() override { return initResult; }
  void OnFinalRelease() override { ++finalReleases; }
  int KX_STDCALL Answer() override { return 42; }

  static void Reset() {
    initResult = S_OK;
    finalReleases = destroyed = 0;
  }

  static inline HRESULT initResult = S_OK;
  static inline int finalReleases = 0;
  static inline int destroyed = 0;
};

// Answers every query with itself.
class CountingOuter : public IUnknown {
 public:
  HRESULT KX_STDCALL QueryInterface(const IID&, void** out) override {
    *out = this;
    AddRef();
    return S_OK;
  }
  ULONG KX_STDCALL AddRef() override { return ++references; }
  ULONG KX_STDCALL Release() override { return --references; }

  ULONG references = 1;
};

}  // namespace Kelvane

#endif  // KELVANE_TESTS_COM_TEST_COM_OBJECT_H
