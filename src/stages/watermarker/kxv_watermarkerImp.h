// KxvWatermarkerImp: lets its upstream source decode, then stamps its
// watermark into the bottom-right corner of the decoded buffer, converted
// into the buffer's colour space, sample type and layout. Through
// IKxWatermarker it offers the same stamp on any buffer a host holds.
//
// Decodes may run on several threads while the host configures the stage:
// the watermark is replaced whole under the settings lock, and each decode
// stamps with the one it took.
#ifndef KELVANE_STAGES_WATERMARKER_KXV_WATERMARKER_IMP_H
#define KELVANE_STAGES_WATERMARKER_KXV_WATERMARKER_IMP_H

#include <cstdint>
#include <memory>

#include "content/kxv_contentBase.h"
#include "platform/kxMutex.h"
#include "stages/watermarker/kxv_storedWatermark.h"

namespace Kelvane {

class KxvWatermarkerImp : public KxvContentBase, public IKxWatermarkerImp, public IKxWatermarker {
 public:
  KxvWatermarkerImp() = default;

  KX_DELEGATE_IUNKNOWN_TO_OUTER

  // IKxWatermarkerImp and IKxWatermarker give their own tables; anything
  // else the content base's.
  HRESULT InternalQueryInterface(const IID& iid, void** out) override;

  // IKxContentImp: the upstream decodes, then the stored watermark is
  // stamped through IKxWatermarker. A failed decode is returned unstamped;
  // without a watermark the buffer comes back as the upstream wrote it.
  HRESULT KX_STDCALL Decode(DecodeBuffer* buffer, uint32_t quality, void* third) override;

  // IKxWatermarkerImp.
  HRESULT KX_STDCALL SetWatermark(const DecodeBuffer* watermark) override;
  HRESULT KX_STDCALL SetWatermarkMode(uint32_t mode) override;

  // IKxWatermarker.
  HRESULT KX_STDCALL Composite(DecodeBuffer* destination, const DecodeBuffer* watermark, uint32_t mode) override;

 private:
  // Bodies of the operations above, run inside guarded().
  HRESULT storeWatermark(const DecodeBuffer* watermark);
  HRESULT decodeThenStamp(DecodeBuffer* buffer, uint32_t quality, void* third);

  // Guards watermark_ and mode_; held only to copy them in or out.
  mutable MutexLock settingsLock_;
  // Null until the first successful SetWatermark.
  std::shared_ptr<const KxvStoredWatermark> watermark_;
  uint32_t mode_ = KX_WATERMARK_REPLACE;
};

}  // namespace Kelvane

#endif  // KELVANE_STAGES_WATERMARKER_KXV_WATERMARKER_IMP_H
