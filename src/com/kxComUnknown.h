// KxComUnknown: identity, reference counting and aggregation for every
// component object of the module, and the module-wide object counters.
#ifndef KELVANE_COM_KX_COM_UNKNOWN_H
#define KELVANE_COM_KX_COM_UNKNOWN_H

#include "kelvane/kx_platform_types.h"

namespace Kelvane {

// The primary table of every object. Slots 0 to 2 make it usable as an
// IUnknown (it is what a host gets for IID_IUnknown); they never delegate.
struct INondelegatingUnknown {
  virtual HRESULT KX_STDCALL NondelegatingQueryInterface(const IID& iid, void** out) = 0;
  virtual ULONG KX_STDCALL NondelegatingAddRef() = 0;
  virtual ULONG KX_STDCALL NondelegatingRelease() = 0;

 protected:
  ~INondelegatingUnknown() = default;
};

class KxComUnknown : public INondelegatingUnknown {
 public:
  KxComUnknown();
  KxComUnknown(const KxComUnknown&) = delete;
  KxComUnknown& operator=(const KxComUnknown&) = delete;

  HRESULT KX_STDCALL NondelegatingQueryInterface(const IID& iid, void** out) override;
  ULONG KX_STDCALL NondelegatingAddRef() override;
  ULONG KX_STDCALL NondelegatingRelease() override;

  // Slot 3: a derived destructor releases what the class holds; this one
  // lowers the live-object count.
  virtual ~KxComUnknown();
  // Slot 4: the class-specific interface lookup (identifier order is the class's).
  virtual HRESULT InternalQueryInterface(const IID& iid, void** out);
  // Slot 5: called once by the create function after construction.
  virtual HRESULT Init();
  // Slot 6: called when the count reaches zero, just before destruction.
  virtual void OnFinalRelease();

  // A null outer leaves the object its own outer unknown.
  HRESULT SetOuterUnknown(IUnknown* outer);
  INondelegatingUnknown* GetNondelegatingUnknown() { return this; }
  IUnknown* outerUnknown() const { return outer_; }
  int32_t referenceCount() const;

  // Module-wide counters (interlocked).
  static int32_t GetLiveObjectCount();
  static int32_t GetServerLockCount();
  static void LockServer(bool lock);

 protected:
  // Stores `iface` in out and adds a reference through it (so the outer
  // unknown counts it). For InternalQueryInterface of derived classes.
  template <typename Interface>
  HRESULT handOut(Interface* iface, void** out) {
    *out = iface;
    iface->AddRef();
    return S_OK;
  }

 private:
  int32_t refCount_ = 1;  // changed only by interlocked increment/decrement
  IUnknown* outer_;       // not reference-counted; this object itself unless aggregated
};

// The IUnknown slots of every secondary interface: forwarded unchanged to the
// outer unknown. Declared in each class that adds interfaces to the object.
#define KX_DELEGATE_IUNKNOWN_TO_OUTER                                      \
  HRESULT KX_STDCALL QueryInterface(const IID& iid, void** out) override { \
    return outerUnknown()->QueryInterface(iid, out);                       \
  }                                                                        \
  ULONG KX_STDCALL AddRef() override { return outerUnknown()->AddRef(); }  \
  ULONG KX_STDCALL Release() override { return outerUnknown()->Release(); }

}  // namespace Kelvane

#endif  // KELVANE_COM_KX_COM_UNKNOWN_H
