// BenchSourceBase: the plumbing of an upstream source for the benchmarks: an
// object at the end of a chain that answers IUnknown and IKxContentImp, with
// the host's reference count (the benchmark keeps the creator's reference
// for the object's whole life). A derived source describes its image and
// decodes scenes.
// Also the layout the benchmark sources decode into.
#ifndef KELVANE_BENCH_BENCH_SOURCE_BASE_H
#define KELVANE_BENCH_BENCH_SOURCE_BASE_H

#include "kelvane/kx_lib_sp_xform.h"

namespace Kelvane {
namespace bench {

template <typename Derived>
class BenchSourceBase : public KxHostObject<Derived, IKxContentImp> {
 public:
  HRESULT KX_STDCALL QueryInterface(const IID& iid, void** out) override {
    return KxHostAnswerQuery<IKxContentImp>(this, iid, {&IID_IUnknown, &IID_IKxContentImp}, out);
  }

  HRESULT KX_STDCALL Operation5(void*) override { return E_FAIL; }
  HRESULT KX_STDCALL Operation6(void*) override { return E_FAIL; }
  HRESULT KX_STDCALL Initialize() override { return S_OK; }
  HRESULT KX_STDCALL FindInterface(const IID& iid, void** out) override { return QueryInterface(iid, out); }
  // Nothing lies below a source.
  HRESULT KX_STDCALL SetContainedImp(IKxContentImp*) override { return E_FAIL; }
  HRESULT KX_STDCALL RemoveContainedImp(IKxContentImp** out) override {
    if (out != nullptr) *out = nullptr;
    return E_FAIL;
  }
  HRESULT KX_STDCALL GetContainedImp(IKxContentImp** out) override {
    if (out == nullptr) return E_INVALIDARG;
    *out = nullptr;
    return S_OK;
  }
};

// Pixel-interleaved, unpadded 8-bit RGB rows of `columns` pixels: the layout
// the benchmark sources decode into.
inline BufferFormat packedRgb8Format(uint32_t columns) {
  BufferFormat format;
  format.colorSpace = KX_CS_RGB;
  format.spp = 3;
  format.stride = 3;
  format.type = KX_TYPE_U8;
  format.align = 1;
  format.rowbytes = columns * 3;
  format.bps = 8;
  for (uint32_t band = 0; band < 3; ++band) format.smap[band] = static_cast<int32_t>(band);
  return format;
}

// Describes a square 8-bit RGB image of `side` pixels whose source handles
// the differences in `flags` and decodes magnifications `minMag` to 1.
inline void describeRgb8Image(RasterProps* props, uint32_t side, uint32_t flags, double minMag) {
  props->flags = flags;
  props->width = side;
  props->height = side;
  props->colorSpace = KX_CS_RGB;
  props->numBands = 3;
  props->bitsPerSample = 8;
  props->maxMag = 1.0;
  props->minMag = minMag;
}

}  // namespace bench
}  // namespace Kelvane

#endif  // KELVANE_BENCH_BENCH_SOURCE_BASE_H
