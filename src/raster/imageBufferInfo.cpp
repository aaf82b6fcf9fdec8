#include "raster/imageBufferInfo.h"

#include <algorithm>
#include <new>

#include "kelvane/kx_exception.h"
#include "kelvane/kx_status.h"

namespace Kelvane {

ImageBufferInfo::ImageBufferInfo() { setSampleMap(); }

ImageBufferInfo::ImageBufferInfo(const ImageBufferInfo& other) {
  copyFields(other);
  setSampleMap(other.sampleMap_);
}

ImageBufferInfo& ImageBufferInfo::operator=(const ImageBufferInfo& other) {
  if (this != &other) {
    copyFields(other);
    setSampleMap(other.sampleMap_);
  }
  return *this;
}

ImageBufferInfo::~ImageBufferInfo() { delete[] sampleMap_; }

void ImageBufferInfo::copyFields(const ImageBufferInfo& other) {
  order = other.order;
  colorSpace_ = other.colorSpace_;
  bitsPerSample = other.bitsPerSample;
  pixelStride = other.pixelStride;
  alignment = other.alignment;
  rowBytes = other.rowBytes;
  sampleType = other.sampleType;
}

void ImageBufferInfo::setColorSpace(uint32_t colorSpace) {
  colorSpace_ = colorSpace;
  const int32_t count = bands(colorSpace);
  if (pixelStride < count || colorSpace == kColorSpaceGrayscale) pixelStride = count;
  setSampleMap();
}

void ImageBufferInfo::setSampleMap(const uint32_t* source) {
  delete[] sampleMap_;
  sampleMap_ = nullptr;
  const uint8_t count = bandCount();
  uint32_t* map = new (std::nothrow) uint32_t[count];
  if (map == nullptr) throw KxUtilException(KX_STATUS_OUT_OF_MEMORY);
  for (uint32_t i = 0; i < count; ++i) map[i] = source != nullptr ? source[i] : i;
  sampleMap_ = map;
}

bool ImageBufferInfo::operator==(const ImageBufferInfo& other) const {
  if (order != other.order || colorSpace_ != other.colorSpace_ || bitsPerSample != other.bitsPerSample ||
      pixelStride != other.pixelStride || alignment != other.alignment || rowBytes != other.rowBytes) {
    return false;
  }
  // Descriptions whose map could not be allocated are equal only to each other.
  if (sampleMap_ == nullptr || other.sampleMap_ == nullptr) return sampleMap_ == other.sampleMap_;
  const int32_t compared = std::min<int32_t>(pixelStride, bandCount());
  return std::equal(sampleMap_, sampleMap_ + std::max(compared, 0), other.sampleMap_);
}

}  // namespace Kelvane
