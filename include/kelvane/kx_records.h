// The records that cross the host boundary: the scene, the pixel layout
// (BufferFormat), the decode request (DecodeBuffer) and the raster properties
// a source reports (RasterProps). Field order and widths are binding; on a
// 32-bit target every offset equals the documented table.
#ifndef KELVANE_KX_RECORDS_H
#define KELVANE_KX_RECORDS_H

#include <cstddef>
#include <cstdint>

#include "kelvane/kx_pixel.h"

namespace Kelvane {

// Host sample type numbers (BufferFormat::type).
enum KxHostSampleType : uint32_t {
  KX_TYPE_U8 = 0,
  KX_TYPE_S8 = 1,
  KX_TYPE_U16 = 2,
  KX_TYPE_S16 = 3,
  KX_TYPE_F32 = 10,
};

// Host colour-space numbers (BufferFormat::colorSpace, RasterProps::colorSpace).
enum KxHostColorSpace : uint32_t {
  KX_CS_NONE = 0,
  KX_CS_RGB = 1,
  KX_CS_FOUR_SAMPLE = 2,  // four samples, no library equivalent
  KX_CS_CMYK = 3,
  KX_CS_GREY = 4,
  KX_CS_RGBK = 6,
  KX_CS_YIQ = 7,
  KX_CS_YIQK = 8,
  KX_CS_MULTIBAND = 9,
};

// Sample order of a buffer (BufferFormat order).
enum KxSampleOrder : uint32_t {
  KX_ORDER_INTERLEAVED = 0,      // all samples of a pixel together
  KX_ORDER_BAND_SEQUENTIAL = 1,  // one plane of rows per band
};

// Capability flags of RasterProps: differences from the source's native form
// that the source handles itself.
enum KxCapability : uint32_t {
  KX_CAP_PARTIAL_SCENE = 0x1,
  KX_CAP_POW2_MAG = 0x2,
  KX_CAP_ANY_MAG = 0x4,
  KX_CAP_OUTSIDE_IMAGE = 0x20,
  KX_CAP_COLOR_SPACE = 0x100,
  KX_CAP_STRIDE = 0x200,
  KX_CAP_DATA_TYPE = 0x400,
  KX_CAP_ORDER = 0x800,
  KX_CAP_SAMPLE_MAP = 0x4000,
  KX_CAP_BPS = 0x8000,
};

// Quality value the stages pass when they decode through their upstream.
inline constexpr uint32_t KXV_BEST_QUALITY = 2;

// A rectangle of the image at a magnification. Corner and extent are in
// pixels of the image scaled by mag; a buffer holds floor(wh + 0.5) columns/rows.
struct Scene {
  double ulx = 0.0;
  double uly = 0.0;
  double width = 0.0;
  double height = 0.0;
  double mag = 0.0;
};

// Pixel layout of a buffer; also used alone as the layout a stage wants.
struct BufferFormat {
  uint32_t colorSpace = 0;  // host colour-space number
  uint32_t spp = 0;         // samples per pixel
  uint32_t stride = 0;      // samples from one pixel to the next (order 0); 1 in order 1
  uint32_t type = 0;        // host sample type number
  uint32_t order = 0;       // 0 pixel-interleaved, 1 band-sequential
  uint32_t align = 0;       // row alignment in bytes (order 0 only)
  uint32_t rowbytes = 0;    // bytes from one row to the next
  int32_t smap[256] = {};   // byte offset of each sample (order 1: plane offset from pBits)
  uint32_t bps = 0;         // bits per sample actually used
};

// One decode request: the scene, the caller's pixel memory and its layout.
struct DecodeBuffer {
  Scene scene;
  uint32_t size = sizeof(DecodeBuffer);  // 1120
  uint32_t reserved = 0;
  void* pBits = nullptr;  // pixel memory; null when none attached yet
  BufferFormat format;
  uint32_t resultCode = 1;  // carried back from a stage's working buffer
  uint8_t resultFlag = 0;   // carried back like resultCode
  uint8_t padding[sizeof(void*) == 4 ? 7 : 3] = {};
};

// An object a source may attach to RasterProps; the record releases it.
class KxRasterPropsExtension {
 public:
  virtual ~KxRasterPropsExtension() = default;
};

// What a source reports about its image. Constructed before every
// GetRasterProps call and destroyed afterwards, releasing both owned objects.
struct RasterProps {
  RasterProps() = default;
  // Copies the description and the pixels by value; the owned objects stay with
  // the original (a copy owns none).
  RasterProps(const RasterProps& other) { copyFrom(other); }
  RasterProps& operator=(const RasterProps& other) {
    if (this != &other) copyFrom(other);
    return *this;
  }
  // One object placed in both slots is released once.
  ~RasterProps() {
    delete owned[0];
    if (owned[1] != owned[0]) delete owned[1];
  }

  uint32_t size = sizeof(RasterProps);
  uint32_t flags = 0;  // KxCapability bits
  uint32_t width = 0;  // at magnification 1
  uint32_t height = 0;
  uint32_t colorSpace = 0;
  uint32_t numBands = 0;
  uint32_t bitsPerSample = 0;
  uint32_t sourceWord = 0;  // defined by the source; only copied here
  double maxMag = 0.0;
  double minMag = 0.0;
  KxIPixel pixel{769, 3, KX_SAMPLE_U8, nullptr};  // signedness decides signed type codes
  KxIPixel pixel2{769, 3, KX_SAMPLE_U8, nullptr};
  KxIPixel pixel3{769, 3, KX_SAMPLE_U8, nullptr};
  KxRasterPropsExtension* owned[2] = {nullptr, nullptr};

 private:
  void copyFrom(const RasterProps& other) {
    flags = other.flags;
    width = other.width;
    height = other.height;
    colorSpace = other.colorSpace;
    numBands = other.numBands;
    bitsPerSample = other.bitsPerSample;
    sourceWord = other.sourceWord;
    maxMag = other.maxMag;
    minMag = other.minMag;
    pixel = other.pixel;
    pixel2 = other.pixel2;
    pixel3 = other.pixel3;
  }
};

// Bytes of one sample of a host sample type; 0 for an unknown type.
inline uint32_t KxHostSampleBytes(uint32_t type) {
  switch (type) {
    case KX_TYPE_U8:
    case KX_TYPE_S8: return 1;
    case KX_TYPE_U16:
    case KX_TYPE_S16: return 2;
    case KX_TYPE_F32: return 4;
    default: return 0;
  }
}

// Layout pins. The 32-bit target matches the documented table exactly; on
// LP64 the order is kept and pointer fields are 8 bytes wide.
static_assert(sizeof(Scene) == 40, "Scene is 40 bytes");
static_assert(sizeof(BufferFormat) == 1056, "BufferFormat is 1056 bytes");
static_assert(offsetof(BufferFormat, smap) == 28, "smap at 28 in the format");
static_assert(offsetof(BufferFormat, bps) == 1052, "bps at 1052 in the format");
static_assert(sizeof(DecodeBuffer) == 1120, "DecodeBuffer is 1120 bytes");
static_assert(offsetof(DecodeBuffer, size) == 40, "size at 40");
static_assert(offsetof(DecodeBuffer, pBits) == 48, "pBits at 48");
// RasterProps embeds polymorphic pixels, which makes offsetof "conditionally
// supported"; GCC and Clang support it and the pins are what keep the ABI.
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winvalid-offsetof"
#endif
#if UINTPTR_MAX == 0xFFFFFFFFu
#define KX_RECORDS_32BIT_LAYOUT 1
static_assert(offsetof(DecodeBuffer, format) == 52, "format at 52");
static_assert(offsetof(DecodeBuffer, format) + offsetof(BufferFormat, smap) == 80, "smap at 80");
static_assert(offsetof(DecodeBuffer, format) + offsetof(BufferFormat, bps) == 1104, "bps at 1104");
static_assert(offsetof(DecodeBuffer, resultCode) == 1108, "resultCode at 1108");
static_assert(offsetof(DecodeBuffer, resultFlag) == 1112, "resultFlag at 1112");
static_assert(sizeof(KxIPixel) == 16, "KxIPixel is 16 bytes");
static_assert(sizeof(RasterProps) == 104, "RasterProps is 104 bytes");
static_assert(offsetof(RasterProps, maxMag) == 32, "maxMag at 32");
static_assert(offsetof(RasterProps, minMag) == 40, "minMag at 40");
static_assert(offsetof(RasterProps, pixel) == 48, "first pixel at 48");
static_assert(offsetof(RasterProps, pixel2) == 64, "second pixel at 64");
static_assert(offsetof(RasterProps, pixel3) == 80, "third pixel at 80");
static_assert(offsetof(RasterProps, owned) == 96, "owned objects at 96 and 100");
#else
#define KX_RECORDS_32BIT_LAYOUT 0
static_assert(offsetof(DecodeBuffer, format) == 56, "format at 56 on LP64");
static_assert(offsetof(DecodeBuffer, resultCode) == 1112, "resultCode at 1112 on LP64");
static_assert(offsetof(DecodeBuffer, resultFlag) == 1116, "resultFlag at 1116 on LP64");
static_assert(sizeof(KxIPixel) == 24, "KxIPixel is 24 bytes on LP64");
static_assert(offsetof(RasterProps, maxMag) == 32, "maxMag at 32");
static_assert(offsetof(RasterProps, pixel) == 48, "first pixel at 48");
static_assert(offsetof(RasterProps, pixel2) == 72, "second pixel at 72 on LP64");
static_assert(offsetof(RasterProps, pixel3) == 96, "third pixel at 96 on LP64");
static_assert(offsetof(RasterProps, owned) == 120, "owned objects at 120 on LP64");
static_assert(sizeof(RasterProps) == 136, "RasterProps is 136 bytes on LP64");
#endif
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

}  // namespace Kelvane

#endif  // KELVANE_KX_RECORDS_H
