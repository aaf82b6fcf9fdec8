#include "gradientSource.h"

#include <cmath>

using namespace Kelvane;

namespace {
// Colour-space code of a pixel of any number of bands.
constexpr uint32_t kMultibandPixel = 65281;
}  // namespace

uint8_t GradientSource::sample(uint32_t x, uint32_t y, uint32_t band) const {
  // Red across, green down, blue along the diagonal, the fourth band red's inverse.
  const uint32_t across = width_ > 1 ? x * 255 / (width_ - 1) : 0;
  const uint32_t down = height_ > 1 ? y * 255 / (height_ - 1) : 0;
  switch (band) {
    case 0: return static_cast<uint8_t>(across);
    case 1: return static_cast<uint8_t>(down);
    case 2: return static_cast<uint8_t>((across + down) / 2);
    default: return static_cast<uint8_t>(255 - across);
  }
}

HRESULT KX_STDCALL GradientSource::QueryInterface(const IID& iid, void** out) {
  if (out != nullptr && KxIsEqualGUID(iid, IID_IKxBandSelectDecode)) {
    AddRef();
    *out = static_cast<IKxBandSelectDecode*>(this);
    return S_OK;
  }
  return KxHostAnswerQuery(static_cast<IKxContentImp*>(this), iid, {&IID_IUnknown, &IID_IKxContentImp}, out);
}

HRESULT KX_STDCALL GradientSource::GetRasterProps(RasterProps* props) {
  if (props == nullptr) return E_INVALIDARG;
  // Scenes anywhere, at any magnification, in any stride and band order.
  props->flags = KX_CAP_PARTIAL_SCENE | KX_CAP_ANY_MAG | KX_CAP_POW2_MAG | KX_CAP_OUTSIDE_IMAGE | KX_CAP_COLOR_SPACE |
                 KX_CAP_STRIDE | KX_CAP_SAMPLE_MAP;
  props->width = width_;
  props->height = height_;
  props->colorSpace = KX_CS_MULTIBAND;
  props->numBands = kBands;
  props->bitsPerSample = 8;
  props->maxMag = 1.0;
  props->minMag = 1.0 / 16;
  props->pixel = KxIPixel(kMultibandPixel, kBands, KX_SAMPLE_U8, nullptr);
  return S_OK;
}

HRESULT KX_STDCALL GradientSource::Decode(DecodeBuffer* buffer, uint32_t quality, void* third) {
  return DecodeBands(buffer, quality, nullptr, third);
}

HRESULT KX_STDCALL GradientSource::DecodeBands(DecodeBuffer* buffer, uint32_t, const uint16_t* bandMap, void*) {
  // 8-bit interleaved buffers with memory only; everything else is refused.
  if (buffer == nullptr || buffer->pBits == nullptr) return E_INVALIDARG;
  const BufferFormat& format = buffer->format;
  const Scene& scene = buffer->scene;
  if (format.type != KX_TYPE_U8 || format.order != KX_ORDER_INTERLEAVED || format.spp == 0 || format.spp > 256 ||
      format.stride < format.spp || !(scene.mag > 0.0) || !std::isfinite(scene.mag)) {
    return E_INVALIDARG;
  }
  const uint32_t columns = static_cast<uint32_t>(scene.width + 0.5);
  const uint32_t rows = static_cast<uint32_t>(scene.height + 0.5);
  if (static_cast<uint64_t>(columns) * format.stride > format.rowbytes) return E_INVALIDARG;
  for (uint32_t s = 0; s < format.spp; ++s) {
    if (format.smap[s] >= format.stride || (bandMap != nullptr && bandMap[s] >= kBands)) return E_INVALIDARG;
  }
  // Each buffer pixel takes the image pixel it falls on (nearest), 0 outside.
  auto* bits = static_cast<uint8_t*>(buffer->pBits);
  for (uint32_t row = 0; row < rows; ++row) {
    uint8_t* pixel = bits + static_cast<size_t>(row) * format.rowbytes;
    const double y = std::floor((scene.uly + row) / scene.mag);
    for (uint32_t column = 0; column < columns; ++column, pixel += format.stride) {
      const double x = std::floor((scene.ulx + column) / scene.mag);
      const bool inside = x >= 0 && y >= 0 && x < width_ && y < height_;
      for (uint32_t s = 0; s < format.spp; ++s) {
        const uint32_t band = bandMap != nullptr ? bandMap[s] : s % kBands;
        pixel[format.smap[s]] = inside ? sample(static_cast<uint32_t>(x), static_cast<uint32_t>(y), band) : uint8_t{0};
      }
    }
  }
  return S_OK;
}

HRESULT KX_STDCALL GradientSource::GetContainedImp(IKxContentImp** out) {
  if (out == nullptr) return E_INVALIDARG;
  *out = nullptr;
  return S_OK;
}
