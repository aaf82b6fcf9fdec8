// KxvPixelReplacerImp: lets its upstream source decode, then replaces every
// pixel equal to a configured value by a second value (for example to turn
// a no-data colour into another colour). Through IKxPixelReplacer2 it also
// offers the host the same replacement and keyed merges on buffers the host
// already holds; those keep no state.
//
// Decodes may run on several threads while the host configures the stage:
// the replacement is replaced whole under the settings lock, and each decode
// keeps the one it started with.
#ifndef KELVANE_STAGES_PIXEL_REPLACER_KXV_PIXEL_REPLACER_IMP_H
#define KELVANE_STAGES_PIXEL_REPLACER_KXV_PIXEL_REPLACER_IMP_H

#include <cstddef>
#include <cstdint>
#include <memory>

#include "content/kxv_contentBase.h"
#include "platform/kxMutex.h"

namespace Kelvane {

class KxvPixelReplacerImp : public KxvContentBase, public IKxPixelReplacer2, public IKxPixelReplacerImp {
 public:
  KxvPixelReplacerImp() = default;

  KX_DELEGATE_IUNKNOWN_TO_OUTER

  // IKxPixelReplacer and IKxPixelReplacer2 both give the IKxPixelReplacer2
  // table; IKxPixelReplacerImp its own; anything else the content base's.
  HRESULT InternalQueryInterface(const IID& iid, void** out) override;

  // IKxContentImp operations this stage handles itself.
  // The upstream's properties as they stood when it was set; the upstream is not asked again.
  HRESULT KX_STDCALL GetRasterProps(RasterProps* props) override;
  // DecodeAndReplace with the stored replacement. A stored replacement whose
  // size is not the buffer's pixel size gives E_INVALIDARG before the
  // upstream is asked; without one the upstream decodes and E_INVALIDARG follows.
  HRESULT KX_STDCALL Decode(DecodeBuffer* buffer, uint32_t quality, void* third) override;
  // Inserts the upstream, then takes its properties; their status is the result.
  HRESULT KX_STDCALL SetContainedImp(IKxContentImp* imp) override;

  // IKxPixelReplacer / IKxPixelReplacer2.
  HRESULT KX_STDCALL ReplaceKeyColor(DecodeBuffer* target, const DecodeBuffer* overlay, const void* key) override;
  HRESULT KX_STDCALL ReplacePixels(DecodeBuffer* buffer, const void* from, const void* to) override;
  HRESULT KX_STDCALL MergeKeyed(DecodeBuffer* destination, const DecodeBuffer* source, const DecodeBuffer* replacement,
                                const void* key, uint32_t operation) override;

  // IKxPixelReplacerImp.
  HRESULT KX_STDCALL SetReplacement(const BufferFormat* format, const void* from, const void* to) override;
  HRESULT KX_STDCALL DecodeAndReplace(DecodeBuffer* buffer, const void* from, const void* to, uint32_t quality,
                                      void* third) override;

 private:
  // One pixel value to look for and the value written in its place, each
  // `bytes` long. Never changed once made; shared by the decodes using it.
  struct Replacement {
    size_t bytes = 0;
    std::unique_ptr<uint8_t[]> from;
    std::unique_ptr<uint8_t[]> to;
  };

  // Bodies of the operations above, run inside guarded().
  HRESULT attachUpstream(IKxContentImp* imp);
  HRESULT storeReplacement(const BufferFormat* format, const void* from, const void* to);
  HRESULT decodeWithStoredReplacement(DecodeBuffer* buffer, uint32_t quality, void* third);
  HRESULT decodeThenReplace(DecodeBuffer* buffer, const void* from, const void* to, uint32_t quality, void* third);

  // Guards replacement_ and properties_; held only to copy them in or out.
  mutable MutexLock settingsLock_;
  // Null until the first successful SetReplacement.
  std::shared_ptr<const Replacement> replacement_;
  // The upstream's properties, taken when it was set.
  RasterProps properties_;
};

}  // namespace Kelvane

#endif  // KELVANE_STAGES_PIXEL_REPLACER_KXV_PIXEL_REPLACER_IMP_H
