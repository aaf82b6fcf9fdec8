// Interfaces every stage implements (content imp, logging, rendering engine,
// geo) and the host-side objects the stages call. Each interface is a table of
// pure virtual operations in binding slot order; slots 0 to 2 are IUnknown's.
#ifndef KELVANE_KX_INTERFACES_H
#define KELVANE_KX_INTERFACES_H

#include "kelvane/kx_ids.h"
#include "kelvane/kx_records.h"

namespace Kelvane {

// A link of the pipeline: an upstream source or a stage.
struct IKxContentImp : IUnknown {
  virtual HRESULT KX_STDCALL GetRasterProps(RasterProps* props) = 0;                           // 3
  virtual HRESULT KX_STDCALL Decode(DecodeBuffer* buffer, uint32_t quality, void* third) = 0;  // 4
  virtual HRESULT KX_STDCALL Operation5(void* argument) = 0;                                   // 5
  virtual HRESULT KX_STDCALL Operation6(void* argument) = 0;                                   // 6
  virtual HRESULT KX_STDCALL Initialize() = 0;                                                 // 7
  virtual HRESULT KX_STDCALL FindInterface(const IID& iid, void** out) = 0;                    // 8
  virtual HRESULT KX_STDCALL SetContainedImp(IKxContentImp* imp) = 0;                          // 9
  virtual HRESULT KX_STDCALL RemoveContainedImp(IKxContentImp** out) = 0;                      // 10
  virtual HRESULT KX_STDCALL GetContainedImp(IKxContentImp** out) = 0;                         // 11

 protected:
  ~IKxContentImp() = default;
};

// The host's logging object. Its log sink is its second interface, one
// pointer-size behind the first; the module reaches the sink that way.
struct IKxLogger : IUnknown {
 protected:
  ~IKxLogger() = default;
};

// The log sink of a logger. Slots 0 and 1 belong to the host and are never
// called by the module; slot 2 gives the current level (higher = more
// verbose), slot 3 records a text at a level.
struct IKxLogSink {
  virtual void KX_STDCALL SinkSlot0() = 0;
  virtual void KX_STDCALL SinkSlot1() = 0;
  virtual uint32_t KX_STDCALL GetLevel() = 0;                              // 2
  virtual HRESULT KX_STDCALL Write(uint32_t level, const char* text) = 0;  // 3

 protected:
  ~IKxLogSink() = default;
};

// The sink that lies directly behind a logger's first interface.
inline IKxLogSink* KxLogSinkOf(IKxLogger* logger) {
  if (logger == nullptr) return nullptr;
  return reinterpret_cast<IKxLogSink*>(reinterpret_cast<char*>(logger) + sizeof(void*));
}

// Host-side base class that lays a logger out as the module expects: the
// logger interface first, the sink directly behind it. A host derives from it
// and implements QueryInterface/AddRef/Release, GetLevel and Write.
class KxHostLoggerBase : public IKxLogger, public IKxLogSink {
 public:
  void KX_STDCALL SinkSlot0() override {}
  void KX_STDCALL SinkSlot1() override {}

 protected:
  ~KxHostLoggerBase() = default;
};

struct IKxLoggable : IUnknown {
  virtual HRESULT KX_STDCALL SetLogger(IKxLogger* logger) = 0;  // 3

 protected:
  ~IKxLoggable() = default;
};

struct IKxLoggable2 : IKxLoggable {
  virtual IKxLogger* KX_STDCALL GetLogger() = 0;  // 4: no reference added

 protected:
  ~IKxLoggable2() = default;
};

struct IKxRenderingEngineUser : IUnknown {
  virtual HRESULT KX_STDCALL SetRenderingEngine(IUnknown* engine) = 0;  // 3
  virtual HRESULT KX_STDCALL GetRenderingEngine(IUnknown** out) = 0;    // 4: reference added

 protected:
  ~IKxRenderingEngineUser() = default;
};

// Map geometry of an image: origin and resolution in map units per pixel.
// The same four values also carry a map rectangle (x, y, width, height).
struct GeoDomain {
  double x = 0.0;
  double y = 0.0;
  double resX = 0.0;
  double resY = 0.0;
};
static_assert(sizeof(GeoDomain) == 32, "GeoDomain is 32 bytes");

// A spatial reference offering two text forms, each a string or null.
struct IKxSpatialReference : IUnknown {
  virtual const char* KX_STDCALL GetWkt() = 0;    // 3
  virtual const char* KX_STDCALL GetProj4() = 0;  // 4

 protected:
  ~IKxSpatialReference() = default;
};

struct IKxGeoRaster : IUnknown {
  virtual HRESULT KX_STDCALL GeoDecode(const GeoDomain* rect, IKxSpatialReference* srs, DecodeBuffer* finalBuf,
                                       uint32_t ignored) = 0;  // 3

 protected:
  ~IKxGeoRaster() = default;
};

struct IKxGeoSpatialInfo : IUnknown {
  virtual HRESULT KX_STDCALL GetSpatialDomain(GeoDomain* out) = 0;                // 3
  virtual HRESULT KX_STDCALL GetSpatialReference(IKxSpatialReference** out) = 0;  // 4

 protected:
  ~IKxGeoSpatialInfo() = default;
};

struct IKxResamplerConfig : IUnknown {
  virtual HRESULT KX_STDCALL SetResamplerValue(double value) = 0;      // 3
  virtual double KX_STDCALL GetResamplerValue() = 0;                   // 4
  virtual HRESULT KX_STDCALL SetResamplerOption(uint32_t option) = 0;  // 5
  virtual uint32_t KX_STDCALL GetResamplerOption() = 0;                // 6

 protected:
  ~IKxResamplerConfig() = default;
};

// Optional, on an upstream source itself: the image size at a magnification
// (a zero means not available).
struct IKxImageSizeQuery : IUnknown {
  virtual HRESULT KX_STDCALL GetImageSize(double mag, uint32_t* width, uint32_t* height) = 0;  // 3

 protected:
  ~IKxImageSizeQuery() = default;
};

// Optional, found along the chain: fills a one-pixel buffer with the image's
// background value per band. `reserved` points to a 32-bit zero.
struct IKxBackgroundPixelQuery : IUnknown {
  virtual HRESULT KX_STDCALL GetBackgroundPixel(uint32_t* reserved, DecodeBuffer* onePixel) = 0;  // 3

 protected:
  ~IKxBackgroundPixelQuery() = default;
};

// Optional, found along the chain: decodes the bands of a band map (upstream
// band indices from 0, in output order) as the buffer's samples.
struct IKxBandSelectDecode : IUnknown {
  virtual HRESULT KX_STDCALL DecodeBands(DecodeBuffer* buffer, uint32_t quality, const uint16_t* bandMap,
                                         void* context) = 0;  // 3

 protected:
  ~IKxBandSelectDecode() = default;
};

// Stage interface of the multiband selector.
struct IKxMultibandSelector : IUnknown {
  virtual HRESULT KX_STDCALL SetBands(const uint16_t* bands, uint16_t count) = 0;  // 3
  virtual HRESULT KX_STDCALL GetBands(uint16_t* bands) = 0;                        // 4
  virtual HRESULT KX_STDCALL GetSourceRasterProps(RasterProps* props) = 0;         // 5

 protected:
  ~IKxMultibandSelector() = default;
};

}  // namespace Kelvane

#endif  // KELVANE_KX_INTERFACES_H
