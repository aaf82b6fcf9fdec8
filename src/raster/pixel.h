// Pixel and TypedPixel<T>: one pixel's samples held outside any buffer,
// always compact and interleaved in band order whatever layout they came from.
#ifndef KELVANE_RASTER_PIXEL_H
#define KELVANE_RASTER_PIXEL_H

#include <cfloat>
#include <cstdint>
#include <new>

#include "kelvane/kx_exception.h"
#include "kelvane/kx_status.h"
#include "raster/imageBufferInfo.h"
#include "raster/sampleTraits.h"

namespace Kelvane {

class Pixel {
 public:
  virtual ~Pixel() = default;
  Pixel(const Pixel&) = delete;
  Pixel& operator=(const Pixel&) = delete;

  // The description the pixel was made from, made interleaved and compact:
  // order 0, identity map, pixelStride equal to the band count.
  const ImageBufferInfo& info() const { return info_; }
  uint8_t bandCount() const { return info_.bandCount(); }
  // Sample type code of the samples as stored (E, G or M), which may differ
  // from info().sampleType when a wider integer type was described.
  uint32_t storageType() const { return storageType_; }
  const void* sampleData() const { return sampleData_; }

  // A value window the samples were taken under; set on construction (the
  // largest float and 0.0 mean "no window") and kept for the pixel's users.
  float windowWidth;
  float windowCenter;

 protected:
  Pixel(const ImageBufferInfo& source, float width, float center, uint32_t storageType);

  const void* sampleData_ = nullptr;  // the derived class's sample array

 private:
  ImageBufferInfo info_;
  uint32_t storageType_;
};

inline Pixel::Pixel(const ImageBufferInfo& source, float width, float center, uint32_t storageType)
    : windowWidth(width), windowCenter(center), info_(source), storageType_(storageType) {
  info_.order = 0;
  info_.pixelStride = info_.bandCount();
  info_.setSampleMap();
}

template <typename T>
class TypedPixel : public Pixel {
 public:
  // Makes a pixel over `source`; copies band i from samples[sourceMap[i]]
  // when samples are given. Raises KxUtilException(KX_STATUS_OUT_OF_MEMORY) when out of memory.
  TypedPixel(const T* samples, const ImageBufferInfo& source)
      : Pixel(source, FLT_MAX, 0.0f, SampleTraits<T>::kTypeCode) {
    samples_ = new (std::nothrow) T[bandCount()]();
    if (samples_ == nullptr) throw KxUtilException(KX_STATUS_OUT_OF_MEMORY);
    sampleData_ = samples_;
    if (samples != nullptr) assignFrom(samples, source.sampleMap());
  }
  ~TypedPixel() override { delete[] samples_; }

  // Takes band i from samples[map[i]]; no allocation, for per-pixel use.
  void assignFrom(const T* samples, const uint32_t* map) {
    const uint8_t count = bandCount();
    for (uint8_t i = 0; i < count; ++i) samples_[i] = samples[map[i]];
  }

  T* samples() { return samples_; }
  const T* samples() const { return samples_; }

 private:
  T* samples_ = nullptr;  // owned; bandCount() entries in band order
};

}  // namespace Kelvane

#endif  // KELVANE_RASTER_PIXEL_H
