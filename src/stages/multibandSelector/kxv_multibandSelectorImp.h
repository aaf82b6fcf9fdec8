// KxvMultibandSelectorImp: shows a chosen list of bands of a many-band
// upstream image, in the chosen order, as if the image had only those bands.
// It reports the reduced band count and a matching colour space, and on
// decode hands its band map to the upstream source's band-selecting decode;
// it never touches pixels itself.
#ifndef KELVANE_STAGES_MULTIBAND_SELECTOR_KXV_MULTIBAND_SELECTOR_IMP_H
#define KELVANE_STAGES_MULTIBAND_SELECTOR_KXV_MULTIBAND_SELECTOR_IMP_H

#include <memory>
#include <vector>

#include "content/kxv_contentBase.h"
#include "platform/kxMutex.h"

namespace Kelvane {

class KxvMultibandSelectorImp : public KxvContentBase, public IKxMultibandSelector {
 public:
  KxvMultibandSelectorImp() = default;

  KX_DELEGATE_IUNKNOWN_TO_OUTER

  HRESULT InternalQueryInterface(const IID& iid, void** out) override;

  // IKxContentImp operations this stage handles itself.
  HRESULT KX_STDCALL GetRasterProps(RasterProps* props) override;
  HRESULT KX_STDCALL Decode(DecodeBuffer* buffer, uint32_t quality, void* third) override;
  HRESULT KX_STDCALL Initialize() override;

  // IKxMultibandSelector.
  HRESULT KX_STDCALL SetBands(const uint16_t* bands, uint16_t count) override;
  HRESULT KX_STDCALL GetBands(uint16_t* bands) override;
  HRESULT KX_STDCALL GetSourceRasterProps(RasterProps* props) override;

 private:
  // Bodies of the operations above, run inside guarded().
  HRESULT selectBands(const uint16_t* bands, uint16_t count);
  HRESULT writeBands(uint16_t* bands);
  HRESULT initializeOnce();
  HRESULT decodeSelectedBands(DecodeBuffer* buffer, uint32_t quality, void* third);
  // Upstream band index (from 0) of each output band, in output order; null
  // or empty means no selection: every upstream band passes unchanged. A
  // selection is never changed once made: a new one replaces it whole, and
  // a decode keeps the one it began with alive until it returns, whatever
  // another thread or the upstream itself selects meanwhile.
  using Selection = std::shared_ptr<const std::vector<uint16_t>>;

  // Makes a copy of the count entries the new selection; on failure the old
  // selection stays as it was.
  HRESULT replaceSelection(const uint16_t* bands, uint16_t count);
  // The selection as it stands, with a reference of the caller's own.
  Selection selection() const;

  // Guards selection_ and initialized_, held only while they are read or
  // replaced, never across a call to the upstream.
  mutable MutexLock selectionLock_;
  Selection selection_;
  // Set once the first Initialize has done its work successfully; later
  // calls keep the selection made since.
  bool initialized_ = false;
};

}  // namespace Kelvane

#endif  // KELVANE_STAGES_MULTIBAND_SELECTOR_KXV_MULTIBAND_SELECTOR_IMP_H
