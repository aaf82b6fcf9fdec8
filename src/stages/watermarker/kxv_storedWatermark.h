// KxvStoredWatermark: the watermarker's own copy of a host's watermark, its
// record and its pixels. It is made whole before anyone sees it and never
// changed afterwards; the decodes stamping with it share it, and it is freed
// when the last of them lets go. So the host may set another watermark while
// decodes run on other threads.
#ifndef KELVANE_STAGES_WATERMARKER_KXV_STORED_WATERMARK_H
#define KELVANE_STAGES_WATERMARKER_KXV_STORED_WATERMARK_H

#include <memory>

#include "kelvane/kx_platform_types.h"
#include "kelvane/kx_records.h"

namespace Kelvane {

class KxvStoredWatermark {
 public:
  // A copy of `watermark`, whose pixel memory and stampable layout the
  // caller has checked: the same record, with pixel memory of its own
  // allocated for its format (rows re-derived, samples in band order) and
  // every sample of every pixel copied into it. E_OUTOFMEMORY, with nothing
  // made, when the memory cannot be had (an empty watermark has none).
  static HRESULT copyOf(const DecodeBuffer& watermark, std::shared_ptr<const KxvStoredWatermark>* out);

  KxvStoredWatermark(const KxvStoredWatermark&) = delete;
  KxvStoredWatermark& operator=(const KxvStoredWatermark&) = delete;
  // Releases the pixel memory.
  ~KxvStoredWatermark();

  // The stored record; its pixel memory is this object's.
  const DecodeBuffer& record() const { return record_; }

 private:
  KxvStoredWatermark() = default;

  DecodeBuffer record_;
};

}  // namespace Kelvane

#endif  // KELVANE_STAGES_WATERMARKER_KXV_STORED_WATERMARK_H
