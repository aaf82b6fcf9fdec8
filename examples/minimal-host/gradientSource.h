// The host's own upstream source: a four-band 8-bit gradient image held in
// no memory at all, computed pixel by pixel. It offers the band-selecting
// decode that the module's multiband selector asks its upstream for.
#ifndef MINIMAL_HOST_GRADIENT_SOURCE_H
#define MINIMAL_HOST_GRADIENT_SOURCE_H

#include <cstdint>

#include "kelvane/kx_lib_sp_xform.h"

class GradientSource final
    : public Kelvane::KxHostObject<GradientSource, Kelvane::IKxContentImp, Kelvane::IKxBandSelectDecode> {
 public:
  static constexpr uint32_t kBands = 4;

  // Starts with one reference, owned by the caller.
  GradientSource(uint32_t width, uint32_t height) : width_(width), height_(height) {}

  // Band b of image pixel (x, y), for checking what the module delivers.
  uint8_t sample(uint32_t x, uint32_t y, uint32_t band) const;

  HRESULT KX_STDCALL QueryInterface(const IID& iid, void** out) override;
  HRESULT KX_STDCALL GetRasterProps(Kelvane::RasterProps* props) override;
  HRESULT KX_STDCALL Decode(Kelvane::DecodeBuffer* buffer, uint32_t quality, void* third) override;
  HRESULT KX_STDCALL DecodeBands(Kelvane::DecodeBuffer* buffer, uint32_t quality, const uint16_t* bandMap,
                                 void* context) override;
  // The bottom of a chain: nothing to initialise, contain or find below it.
  HRESULT KX_STDCALL Operation5(void*) override { return kNotImplemented; }
  HRESULT KX_STDCALL Operation6(void*) override { return kNotImplemented; }
  HRESULT KX_STDCALL Initialize() override { return S_OK; }
  HRESULT KX_STDCALL FindInterface(const IID& iid, void** out) override { return QueryInterface(iid, out); }
  HRESULT KX_STDCALL SetContainedImp(Kelvane::IKxContentImp*) override { return kNotImplemented; }
  HRESULT KX_STDCALL RemoveContainedImp(Kelvane::IKxContentImp**) override { return kNotImplemented; }
  HRESULT KX_STDCALL GetContainedImp(Kelvane::IKxContentImp** out) override;

 private:
  // Status of the operations a bottom link does not offer.
  static constexpr HRESULT kNotImplemented = static_cast<HRESULT>(0x80004001u);

  friend class Kelvane::KxHostObject<GradientSource, Kelvane::IKxContentImp, Kelvane::IKxBandSelectDecode>;
  ~GradientSource() = default;

  const uint32_t width_;
  const uint32_t height_;
};

#endif  // MINIMAL_HOST_GRADIENT_SOURCE_H
