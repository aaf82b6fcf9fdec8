#include "stages/pixelReplacer/kxv_pixelReplacerImp.h"

#include <cstdint>
#include <cstring>
#include <new>

#include "stages/pixelReplacer/kxv_keyedMerge.h"
#include "stages/pixelReplacer/kxv_pixelReplace.h"

namespace Kelvane {

namespace {

// Largest pixel a replacement can describe: no buffer row, whose pitch is a
// 32-bit count, holds a wider one.
constexpr uint64_t kMaxPixelBytes = UINT32_MAX;

// A copy of `bytes` bytes of `pixel`; null when memory runs out.
std::unique_ptr<uint8_t[]> copyPixel(const void* pixel, size_t bytes) {
  std::unique_ptr<uint8_t[]> copy(new (std::nothrow) uint8_t[bytes]);
  if (copy != nullptr) std::memcpy(copy.get(), pixel, bytes);
  return copy;
}

}  // namespace

HRESULT KxvPixelReplacerImp::InternalQueryInterface(const IID& iid, void** out) {
  return guarded([&]() -> HRESULT {
    if (out == nullptr) return E_INVALIDARG;
    *out = nullptr;
    if (KxIsEqualGUID(iid, IID_IKxPixelReplacer) || KxIsEqualGUID(iid, IID_IKxPixelReplacer2)) {
      return handOut(static_cast<IKxPixelReplacer2*>(this), out);
    }
    if (KxIsEqualGUID(iid, IID_IKxPixelReplacerImp)) return handOut(static_cast<IKxPixelReplacerImp*>(this), out);
    return KxvContentBase::InternalQueryInterface(iid, out);
  });
}

HRESULT KX_STDCALL KxvPixelReplacerImp::GetRasterProps(RasterProps* props) {
  return guarded([&]() -> HRESULT {
    if (props == nullptr) return E_INVALIDARG;
    MutexLockGuard hold(settingsLock_);
    *props = properties_;
    return S_OK;
  });
}

HRESULT KX_STDCALL KxvPixelReplacerImp::SetContainedImp(IKxContentImp* imp) {
  return guarded([&] { return attachUpstream(imp); });
}

HRESULT KxvPixelReplacerImp::attachUpstream(IKxContentImp* imp) {
  const HRESULT inserted = KxvContentBase::SetContainedImp(imp);
  if (FAILED(inserted)) return inserted;
  // Asked outside the lock: no lock is held across an upstream call.
  RasterProps props;
  const HRESULT status = imp->GetRasterProps(&props);
  MutexLockGuard hold(settingsLock_);
  properties_ = props;
  return status;
}

HRESULT KX_STDCALL KxvPixelReplacerImp::SetReplacement(const BufferFormat* format, const void* from, const void* to) {
  return guarded([&] { return storeReplacement(format, from, to); });
}

HRESULT KxvPixelReplacerImp::storeReplacement(const BufferFormat* format, const void* from, const void* to) {
  if (format == nullptr || from == nullptr || to == nullptr) return E_INVALIDARG;
  // A pixel without bytes, or wider than any row, describes nothing a decode could hold.
  const uint64_t bytes = pixelBytesOf(*format);
  if (bytes == 0 || bytes > kMaxPixelBytes) return E_INVALIDARG;
  // Both copies are made before either replaces the old pair, so a failure leaves it whole.
  auto replacement = std::make_shared<Replacement>();
  replacement->bytes = static_cast<size_t>(bytes);
  replacement->from = copyPixel(from, replacement->bytes);
  replacement->to = copyPixel(to, replacement->bytes);
  if (replacement->from == nullptr || replacement->to == nullptr) return E_OUTOFMEMORY;
  std::shared_ptr<const Replacement> old = std::move(replacement);
  {
    MutexLockGuard hold(settingsLock_);
    replacement_.swap(old);
  }
  return S_OK;
}

HRESULT KX_STDCALL KxvPixelReplacerImp::Decode(DecodeBuffer* buffer, uint32_t quality, void* third) {
  return guarded([&] { return decodeWithStoredReplacement(buffer, quality, third); });
}

HRESULT KxvPixelReplacerImp::decodeWithStoredReplacement(DecodeBuffer* buffer, uint32_t quality, void* third) {
  // The replacement this decode uses, kept alive by the decode's own reference.
  std::shared_ptr<const Replacement> replacement;
  {
    MutexLockGuard hold(settingsLock_);
    replacement = replacement_;
  }
  // Stored pixels of another size would be read past their end, or leave part of each pixel unreplaced.
  if (replacement != nullptr && (buffer == nullptr || pixelBytesOf(buffer->format) != replacement->bytes)) {
    return E_INVALIDARG;
  }
  const void* from = replacement != nullptr ? replacement->from.get() : nullptr;
  const void* to = replacement != nullptr ? replacement->to.get() : nullptr;
  return static_cast<IKxPixelReplacerImp*>(this)->DecodeAndReplace(buffer, from, to, quality, third);
}

HRESULT KX_STDCALL KxvPixelReplacerImp::DecodeAndReplace(DecodeBuffer* buffer, const void* from, const void* to,
                                                         uint32_t quality, void* third) {
  return guarded([&] { return decodeThenReplace(buffer, from, to, quality, third); });
}

HRESULT KxvPixelReplacerImp::decodeThenReplace(DecodeBuffer* buffer, const void* from, const void* to, uint32_t quality,
                                               void* third) {
  if (buffer == nullptr) return E_INVALIDARG;
  const HRESULT status = KxvContentBase::Decode(buffer, quality, third);
  if (FAILED(status)) return status;
  return replacePixels(buffer, from, to);
}

HRESULT KX_STDCALL KxvPixelReplacerImp::ReplacePixels(DecodeBuffer* buffer, const void* from, const void* to) {
  return guarded([&] { return replacePixels(buffer, from, to); });
}

HRESULT KX_STDCALL KxvPixelReplacerImp::ReplaceKeyColor(DecodeBuffer* target, const DecodeBuffer* overlay,
                                                        const void* key) {
  // The target is its own replacement: where the overlay shows the key, the target keeps its pixel.
  return guarded([&] { return keyedMerge(target, overlay, target, key, KX_MERGE_KEY_EXACT, 0.0); });
}

HRESULT KX_STDCALL KxvPixelReplacerImp::MergeKeyed(DecodeBuffer* destination, const DecodeBuffer* source,
                                                   const DecodeBuffer* replacement, const void* key,
                                                   uint32_t operation) {
  return guarded(
      [&] { return keyedMerge(destination, source, replacement, key, operation, kKxvMergeToleranceFactor); });
}

}  // namespace Kelvane
