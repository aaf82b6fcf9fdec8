// KxvMultibandSelectorImp: shows a chosen list of bands of a many-band
// upstream image, in the chosen order, as if the image had only those bands.
// It reports the reduced band count and a matching colour space, and on
// decode hands its band map to the upstream source's band-selecting decode;
// it never touches pixels itself.
#ifndef KELVANE_STAGES_KXV_MULTIBAND_SELECTOR_IMP_H
#define KELVANE_STAGES_KXV_MULTIBAND_SELECTOR_IMP_H

#include <memory>

#include "content/kxv_contentBase.h"

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
  // Makes a copy of the count entries the new selection; on failure the old
  // selection stays as it was.
  HRESULT replaceSelection(const uint16_t* bands, uint16_t count);

  // Upstream band index (from 0) of each output band, in output order;
  // bandCount_ entries. A count of 0 means no selection: every upstream band
  // passes unchanged. Replaced whole, never edited in place.
  uint16_t bandCount_ = 0;
  std::unique_ptr<uint16_t[]> bandMap_;
  // Set once the first Initialize has done its work successfully; later
  // calls keep the selection made since.
  bool initialized_ = false;
};

}  // namespace Kelvane

#endif  // KELVANE_STAGES_KXV_MULTIBAND_SELECTOR_IMP_H
