#include "content/kxv_contentBase.h"

#include "content/kxv_decodeBufConfig.h"
#include "support/kxLog.h"

namespace Kelvane {

namespace {

// Longest chain walked when looking for a loop; a foreign chain that already
// loops on itself ends the walk here instead of running forever.
constexpr int kMaxChainLinks = 4096;

// Stores `value` in `field` with a reference added and drops the reference of
// the previous value. The new reference is taken first, so passing the stored
// pointer again never lets it die in between.
template <typename Interface>
void replaceReference(Interface*& field, Interface* value) {
  if (value != nullptr) value->AddRef();
  Interface* old = field;
  field = value;
  if (old != nullptr) old->Release();
}

// Stores `field` in out with a reference added (none for null).
template <typename Interface>
HRESULT copyReferenceOut(Interface* field, Interface** out) {
  if (out == nullptr) return E_INVALIDARG;
  *out = field;
  if (field != nullptr) field->AddRef();
  return S_OK;
}

// Runs `call` on the contained imp, or gives E_FAIL when there is none.
template <typename Call>
HRESULT forwardTo(IKxContentImp* containedImp, Call&& call) {
  if (containedImp == nullptr) return E_FAIL;
  return call(containedImp);
}

}  // namespace

KxvContentBase::~KxvContentBase() {
  // Release what the stage holds, upstream source first.
  replaceReference<IKxContentImp>(containedImp_, nullptr);
  replaceReference<IKxLogger>(logger_, nullptr);
  replaceReference<IUnknown>(renderingEngine_, nullptr);
}

HRESULT KxvContentBase::InternalQueryInterface(const IID& iid, void** out) {
  return guarded([&]() -> HRESULT {
    if (out == nullptr) return E_INVALIDARG;
    *out = nullptr;
    // Identifiers in the class's order; anything else is the root's answer.
    if (KxIsEqualGUID(iid, IID_IKxContentImp)) return handOut(static_cast<IKxContentImp*>(this), out);
    if (KxIsEqualGUID(iid, IID_IKxLoggable2) || KxIsEqualGUID(iid, IID_IKxLoggable)) {
      return handOut(static_cast<IKxLoggable2*>(this), out);
    }
    if (KxIsEqualGUID(iid, IID_IKxRenderingEngineUser)) {
      return handOut(static_cast<IKxRenderingEngineUser*>(this), out);
    }
    return KxComUnknown::InternalQueryInterface(iid, out);
  });
}

HRESULT KX_STDCALL KxvContentBase::GetRasterProps(RasterProps* props) {
  return guarded(
      [&] { return forwardTo(containedImp_, [&](IKxContentImp* up) { return up->GetRasterProps(props); }); });
}

HRESULT KX_STDCALL KxvContentBase::Decode(DecodeBuffer* buffer, uint32_t quality, void* third) {
  return guarded([&] {
    return forwardTo(containedImp_, [&](IKxContentImp* up) {
      // The upstream sees its properties asked for before every decode; their status does not matter here.
      RasterProps scratch;
      up->GetRasterProps(&scratch);
      return up->Decode(buffer, quality, third);
    });
  });
}

HRESULT KxvContentBase::decodeUpstreamKeepingLayout(DecodeBuffer& buffer, uint32_t quality, void* third) {
  const DecodeBuffer given = buffer;
  const HRESULT status = KxvContentBase::Decode(&buffer, quality, third);
  if (KxvDecodeBufConfig::SameRecordLayout(given, buffer)) return status;
  // Only the pixels and the result fields are the upstream's to write.
  const uint32_t resultCode = buffer.resultCode;
  const uint8_t resultFlag = buffer.resultFlag;
  buffer = given;
  buffer.resultCode = resultCode;
  buffer.resultFlag = resultFlag;
  logFailure(logSink(),
             "KxvContentBase::Decode - the upstream source changed the layout of the buffer it decoded into");
  return E_FAIL;
}

HRESULT KX_STDCALL KxvContentBase::Operation5(void* argument) {
  return guarded([&] { return forwardTo(containedImp_, [&](IKxContentImp* up) { return up->Operation5(argument); }); });
}

HRESULT KX_STDCALL KxvContentBase::Operation6(void* argument) {
  return guarded([&] { return forwardTo(containedImp_, [&](IKxContentImp* up) { return up->Operation6(argument); }); });
}

HRESULT KX_STDCALL KxvContentBase::Initialize() {
  return guarded([&] { return forwardTo(containedImp_, [](IKxContentImp* up) { return up->Initialize(); }); });
}

HRESULT KX_STDCALL KxvContentBase::FindInterface(const IID& iid, void** out) {
  return guarded([&]() -> HRESULT {
    if (out == nullptr) return E_INVALIDARG;
    // The object itself answers first (through its outer unknown), then the chain below it.
    const HRESULT status = QueryInterface(iid, out);
    if (FAILED(status) && containedImp_ != nullptr) return containedImp_->FindInterface(iid, out);
    return status;
  });
}

HRESULT KX_STDCALL KxvContentBase::SetContainedImp(IKxContentImp* imp) {
  return guarded([&] { return insertBelow(imp); });
}

HRESULT KxvContentBase::insertBelow(IKxContentImp* imp) {
  if (imp == nullptr) return E_INVALIDARG;
  // Setting the present upstream source again changes nothing.
  if (imp == containedImp_) return S_OK;
  // A link that leads back to this stage, or that already sits further up the
  // chain, would close a loop that no decode or release could leave.
  if (chainReaches(imp, this)) return E_INVALIDARG;
  if (containedImp_ != nullptr && chainReaches(containedImp_, imp)) return E_INVALIDARG;

  // The inserted link adopts the old upstream source before it takes its place.
  HRESULT status = S_OK;
  if (containedImp_ != nullptr) {
    status = imp->SetContainedImp(containedImp_);
    if (FAILED(status)) return status;
  }
  replaceReference(containedImp_, imp);
  return status;
}

bool KxvContentBase::chainReaches(IKxContentImp* head, IKxContentImp* target) {
  // Walk down from head, holding a reference to the link in hand.
  IKxContentImp* link = head;
  link->AddRef();
  bool found = false;
  for (int step = 0; link != nullptr && step < kMaxChainLinks; ++step) {
    if (link == target) {
      found = true;
      break;
    }
    IKxContentImp* next = nullptr;
    if (FAILED(link->GetContainedImp(&next))) next = nullptr;
    link->Release();
    link = next;
  }
  if (link != nullptr) link->Release();
  return found;
}

HRESULT KX_STDCALL KxvContentBase::RemoveContainedImp(IKxContentImp** out) {
  return guarded([&]() -> HRESULT {
    if (out == nullptr) return E_INVALIDARG;
    *out = nullptr;
    if (containedImp_ == nullptr) return S_OK;

    // Hand the removed link to the caller; it keeps its own upstream source.
    IKxContentImp* removed = containedImp_;
    removed->AddRef();
    *out = removed;
    IKxContentImp* next = nullptr;
    const HRESULT status = removed->GetContainedImp(&next);

    // Its upstream source (already carrying a reference) becomes this stage's.
    containedImp_ = next;
    removed->Release();
    return status;
  });
}

HRESULT KX_STDCALL KxvContentBase::GetContainedImp(IKxContentImp** out) {
  return guarded([&] { return copyReferenceOut(containedImp_, out); });
}

HRESULT KX_STDCALL KxvContentBase::SetLogger(IKxLogger* logger) {
  return guarded([&] {
    replaceReference(logger_, logger);
    return S_OK;
  });
}

IKxLogger* KX_STDCALL KxvContentBase::GetLogger() { return logger_; }

HRESULT KX_STDCALL KxvContentBase::SetRenderingEngine(IUnknown* engine) {
  return guarded([&] {
    replaceReference(renderingEngine_, engine);
    return S_OK;
  });
}

HRESULT KX_STDCALL KxvContentBase::GetRenderingEngine(IUnknown** out) {
  return guarded([&] { return copyReferenceOut(renderingEngine_, out); });
}

}  // namespace Kelvane
