#include "stages/watermarker/kxv_storedWatermark.h"

#include <cstring>
#include <new>

#include "content/kxv_decodeBufConfig.h"
#include "stages/kxv_bufferSamples.h"

namespace Kelvane {

HRESULT KxvStoredWatermark::copyOf(const DecodeBuffer& watermark, std::shared_ptr<const KxvStoredWatermark>* out) {
  std::shared_ptr<KxvStoredWatermark> copy(new KxvStoredWatermark());
  DecodeBuffer& record = copy->record_;
  record = watermark;
  record.pBits = nullptr;
  // Rows without padding: any other alignment could leave a row of wider
  // samples starting between two samples.
  record.format.align = 1;

  // Memory for the record's own format. alloc re-derives the rows for the
  // scene; the samples then take slots 0, 1, ... in band order, so a map
  // whose offsets alloc would fold onto one slot cannot make bands share one.
  const size_t bytes = KxvDecodeBufConfig::alloc(record, nullptr);
  if (bytes == 0) return E_OUTOFMEMORY;
  KxvDecodeBufConfig::SetSampleMap(record, nullptr);
  // Slots between the samples of a pixel are never read; they are cleared all the same.
  std::memset(record.pBits, 0, bytes);

  // Band by band, at each record's own addresses; the sample width is chosen once.
  void (*copyOneBand)(uint32_t, DecodeBuffer&, const DecodeBuffer&) = nullptr;
  switch (record.format.type) {
    case KX_TYPE_U8:
    case KX_TYPE_S8: copyOneBand = copyBand8; break;
    case KX_TYPE_U16:
    case KX_TYPE_S16: copyOneBand = copyBand16; break;
    case KX_TYPE_F32: copyOneBand = copyBand32; break;
    default: return E_INVALIDARG;  // no stampable layout has another type
  }
  for (uint32_t band = 0; band < record.format.spp; ++band) copyOneBand(band, record, watermark);
  *out = std::move(copy);
  return S_OK;
}

KxvStoredWatermark::~KxvStoredWatermark() { KxvDecodeBufConfig::ReleaseBits(record_); }

}  // namespace Kelvane
