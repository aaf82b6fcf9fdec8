#include "stages/watermarker/kxv_watermarkerImp.h"

#include "stages/watermarker/kxv_watermarkComposite.h"

namespace Kelvane {

HRESULT KxvWatermarkerImp::InternalQueryInterface(const IID& iid, void** out) {
  return guarded([&]() -> HRESULT {
    if (out == nullptr) return E_INVALIDARG;
    *out = nullptr;
    if (KxIsEqualGUID(iid, IID_IKxWatermarkerImp)) return handOut(static_cast<IKxWatermarkerImp*>(this), out);
    if (KxIsEqualGUID(iid, IID_IKxWatermarker)) return handOut(static_cast<IKxWatermarker*>(this), out);
    return KxvContentBase::InternalQueryInterface(iid, out);
  });
}

HRESULT KX_STDCALL KxvWatermarkerImp::SetWatermark(const DecodeBuffer* watermark) {
  return guarded([&] { return storeWatermark(watermark); });
}

HRESULT KxvWatermarkerImp::storeWatermark(const DecodeBuffer* watermark) {
  if (watermark == nullptr) return E_FAIL;
  // Memory that is missing or rows that do not hold their pixels are refused before a byte is read.
  if (watermark->pBits == nullptr || !stampableLayout(*watermark)) return E_INVALIDARG;
  // The copy is whole before it replaces the old watermark, so a failure leaves that one in place.
  std::shared_ptr<const KxvStoredWatermark> copy;
  const HRESULT status = KxvStoredWatermark::copyOf(*watermark, &copy);
  if (FAILED(status)) return status;
  {
    MutexLockGuard hold(settingsLock_);
    watermark_.swap(copy);
  }
  // The old watermark is released here, outside the lock, unless a decode still holds it.
  return S_OK;
}

HRESULT KX_STDCALL KxvWatermarkerImp::SetWatermarkMode(uint32_t mode) {
  return guarded([&]() -> HRESULT {
    if (mode != KX_WATERMARK_REPLACE) return E_INVALIDARG;
    MutexLockGuard hold(settingsLock_);
    mode_ = mode;
    return S_OK;
  });
}

HRESULT KX_STDCALL KxvWatermarkerImp::Decode(DecodeBuffer* buffer, uint32_t quality, void* third) {
  return guarded([&] { return decodeThenStamp(buffer, quality, third); });
}

HRESULT KxvWatermarkerImp::decodeThenStamp(DecodeBuffer* buffer, uint32_t quality, void* third) {
  const HRESULT status = KxvContentBase::Decode(buffer, quality, third);
  if (FAILED(status)) return status;
  // The watermark this decode stamps, kept alive by the decode's own reference.
  std::shared_ptr<const KxvStoredWatermark> watermark;
  uint32_t mode = KX_WATERMARK_REPLACE;
  {
    MutexLockGuard hold(settingsLock_);
    watermark = watermark_;
    mode = mode_;
  }
  const DecodeBuffer* record = watermark != nullptr ? &watermark->record() : nullptr;
  return static_cast<IKxWatermarker*>(this)->Composite(buffer, record, mode);
}

HRESULT KX_STDCALL KxvWatermarkerImp::Composite(DecodeBuffer* destination, const DecodeBuffer* watermark,
                                                uint32_t mode) {
  return guarded([&]() -> HRESULT {
    if (destination == nullptr || destination->pBits == nullptr) return E_INVALIDARG;
    // Without a watermark there is nothing to stamp.
    if (watermark == nullptr || watermark->pBits == nullptr) return S_OK;
    if (mode != KX_WATERMARK_REPLACE) return E_FAIL;
    return compositeWatermark(*destination, *watermark);
  });
}

}  // namespace Kelvane
