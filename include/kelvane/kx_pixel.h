// Single samples and pixels kept outside pixel buffers (for example the three
// pixels of a RasterProps record). Plain value classes with deep copies; they
// are defined here in full so that a host can build the records it passes.
#ifndef KELVANE_KX_PIXEL_H
#define KELVANE_KX_PIXEL_H

#include <cstdint>
#include <cstring>
#include <new>

#include "kelvane/kx_exception.h"
#include "kelvane/kx_status.h"

namespace Kelvane {

// KxISample data type codes (distinct from the raster library's sample types).
enum KxSampleDataType : int32_t {
  KX_SAMPLE_U8 = 1,
  KX_SAMPLE_S8 = 2,
  KX_SAMPLE_U16 = 3,
  KX_SAMPLE_S16 = 4,
  KX_SAMPLE_U32 = 5,
  KX_SAMPLE_S32 = 6,
  KX_SAMPLE_F32 = 7,
  KX_SAMPLE_F64 = 8,
};

// Colour component codes: which band of which colour space a sample stands for.
enum KxColorComponent : uint32_t {
  KX_COMPONENT_RED = 1,
  KX_COMPONENT_GREEN = 2,
  KX_COMPONENT_BLUE = 3,
  KX_COMPONENT_CYAN = 4,
  KX_COMPONENT_MAGENTA = 5,
  KX_COMPONENT_YELLOW = 6,
  KX_COMPONENT_BLACK = 7,
  KX_COMPONENT_GREY = 8,
  KX_COMPONENT_OTHER = 9,
  KX_COMPONENT_EXTRA = 10,        // extra band of a code whose flags do not include 0x20000
  KX_COMPONENT_EXTRA_ALPHA = 11,  // extra band of a code with flag 0x20000
};

// Bytes of a KxISample data type; 0 for an unknown code.
inline uint32_t KxSampleByteSize(int32_t dataType) {
  switch (dataType) {
    case 1:
    case 2: return 1;
    case 3:
    case 4: return 2;
    case 5:
    case 6:
    case 7: return 4;
    case 8: return 8;
    default: return 0;
  }
}

inline bool KxSampleIsSigned(int32_t dataType) {
  return dataType == 2 || dataType == 4 || dataType == 6 || dataType == 7 || dataType == 8;
}

// One sample value of any data type, with the colour component it belongs to.
class KxISample {
 public:
  KxISample() = default;
  KxISample(uint32_t component, int32_t dataType, const void* value)
      : dataType_(dataType), component_(component), byteSize_(KxSampleByteSize(dataType)), bitSize_(8 * byteSize_) {
    if (value != nullptr) std::memcpy(value_, value, byteSize_);
  }
  KxISample(const KxISample& other) { assign(other); }
  KxISample& operator=(const KxISample& other) {
    assign(other);
    return *this;
  }
  virtual ~KxISample() = default;

  virtual void assign(const KxISample& other) {
    std::memcpy(value_, other.value_, sizeof value_);
    dataType_ = other.dataType_;
    component_ = other.component_;
    byteSize_ = other.byteSize_;
    bitSize_ = other.bitSize_;
  }

  int32_t getDataType() const { return dataType_; }
  uint32_t component() const { return component_; }
  uint32_t byteSize() const { return byteSize_; }
  uint32_t bitSize() const { return bitSize_; }
  const uint8_t* value() const { return value_; }
  uint8_t* value() { return value_; }

 private:
  uint8_t value_[8] = {};  // native representation in the first byteSize bytes; the rest zero
  int32_t dataType_ = KX_SAMPLE_U8;
  uint32_t component_ = KX_COMPONENT_OTHER;
  uint32_t byteSize_ = 1;
  uint32_t bitSize_ = 8;
};

// A pixel value: an owned array of samples with a colour-space code
// (the raster library's code, flag bits included).
class KxIPixel {
 public:
  // Builds a deep copy of `samples`, or default samples for the colour space.
  // Raises KxUtilException(8) when the samples cannot be allocated, and
  // KxUtilException(1) when numBands is too small for the colour space.
  KxIPixel(uint32_t colorSpace, uint16_t numBands, int32_t dataType, const KxISample* samples)
      : numBands_(numBands), colorSpace_(colorSpace) {
    if (samples != nullptr) {
      copySamples(samples);
    } else {
      makeDefaultSamples(dataType);
    }
  }
  KxIPixel(const KxIPixel& other) : numBands_(other.numBands_), colorSpace_(other.colorSpace_) {
    if (other.samples_ != nullptr) copySamples(other.samples_);
  }
  // The copy is built before the old samples go, so a pixel whose copy
  // cannot be allocated keeps its old value (never a band count without samples).
  KxIPixel& operator=(const KxIPixel& other) {
    if (this == &other) return *this;
    KxISample* copy = nullptr;
    if (other.samples_ != nullptr) copy = duplicateSamples(other.samples_, other.numBands_);
    releaseSamples();
    samples_ = copy;
    numBands_ = other.numBands_;
    colorSpace_ = other.colorSpace_;
    return *this;
  }
  virtual ~KxIPixel() { releaseSamples(); }

  // The data type of the first sample when every sample has it; 0 otherwise.
  int32_t getDataType() const {
    if (samples_ == nullptr || numBands_ == 0) return 0;
    const int32_t first = samples_[0].getDataType();
    for (uint16_t i = 1; i < numBands_; ++i) {
      if (samples_[i].getDataType() != first) return 0;
    }
    return first;
  }
  bool isSigned() const {
    const int32_t type = getDataType();
    return type != 0 && KxSampleIsSigned(type);
  }

  uint16_t numBands() const { return numBands_; }
  uint32_t colorSpace() const { return colorSpace_; }
  const KxISample* samples() const { return samples_; }
  KxISample* samples() { return samples_; }

 private:
  static constexpr uint32_t kFlagBits = 0x30000;

  void releaseSamples() {
    delete[] samples_;
    samples_ = nullptr;
  }

  static KxISample* allocateSamples(uint16_t count) {
    KxISample* block = new (std::nothrow) KxISample[count];
    if (block == nullptr) throw KxUtilException(KX_STATUS_OUT_OF_MEMORY);
    return block;
  }

  static KxISample* duplicateSamples(const KxISample* source, uint16_t count) {
    KxISample* block = allocateSamples(count);
    for (uint16_t i = 0; i < count; ++i) block[i].assign(source[i]);
    return block;
  }

  void copySamples(const KxISample* source) { samples_ = duplicateSamples(source, numBands_); }

  // Components by base colour space, the remaining bands "other", and the
  // extra band of a flagged code last.
  void makeDefaultSamples(int32_t dataType) {
    const uint32_t base = colorSpace_ & ~kFlagBits;
    const uint32_t extra = (colorSpace_ & kFlagBits) != 0 ? 1 : 0;
    static const uint32_t kGrey[] = {KX_COMPONENT_GREY};
    static const uint32_t kRgb[] = {KX_COMPONENT_RED, KX_COMPONENT_GREEN, KX_COMPONENT_BLUE};
    static const uint32_t kCmyk[] = {KX_COMPONENT_CYAN, KX_COMPONENT_MAGENTA, KX_COMPONENT_YELLOW, KX_COMPONENT_BLACK};
    const uint32_t* named = nullptr;
    uint32_t k = 0;
    if (base == 257) {
      named = kGrey;
      k = 1;
    } else if (base == 769) {
      named = kRgb;
      k = 3;
    } else if (base == 1026) {
      named = kCmyk;
      k = 4;
    }
    // A pixel with fewer bands than its colour space names would be written
    // past its array: refuse it rather than build a short pixel.
    if (numBands_ < k + extra) throw KxUtilException(KX_STATUS_FAILURE);
    KxISample* block = allocateSamples(numBands_);
    for (uint32_t i = 0; i < numBands_; ++i) {
      uint32_t component = KX_COMPONENT_OTHER;
      if (i < k) {
        component = named[i];
      } else if (extra == 1 && i == numBands_ - 1u) {
        component = (colorSpace_ & 0x20000) != 0 ? KX_COMPONENT_EXTRA_ALPHA : KX_COMPONENT_EXTRA;
      }
      block[i].assign(KxISample(component, dataType, nullptr));
    }
    samples_ = block;
  }

  KxISample* samples_ = nullptr;  // owned; numBands_ entries, or null
  uint16_t numBands_ = 0;
  uint32_t colorSpace_ = 0;
};

}  // namespace Kelvane

#endif  // KELVANE_KX_PIXEL_H
