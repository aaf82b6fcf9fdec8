// GdalSource: the host's upstream source over a GDAL raster, the bottom
// link of every chain the host builds.
#ifndef KX_HOST_CHAIN_GDAL_SOURCE_H
#define KX_HOST_CHAIN_GDAL_SOURCE_H

#include <gdal.h>

#include <string>

#include "hostChain/comPtr.h"
#include "hostChain/gdalDatasetPool.h"
#include "hostChain/gdalImage.h"
#include "hostChain/kelvaneApi.h"

namespace kxhost {

// Serves scenes of one image in any decode-buffer layout, with the optional
// host interfaces the stages look for: band-selecting decode, image size,
// background pixel and (for geo-referenced images) spatial information.
// Decodes may run concurrently: each borrows its own dataset handle.
class GdalSource final : public KxHostObject<GdalSource, IKxContentImp, IKxBandSelectDecode, IKxImageSizeQuery,
                                             IKxBackgroundPixelQuery, IKxGeoSpatialInfo> {
 public:
  struct Options {
    GDALRIOResampleAlg resampling = GRIORA_NearestNeighbour;  // for magnifications other than 1
  };

  // Opens `path`; on success `out` holds the new source's one reference. The
  // source keeps a reference to `logger` (which may be null) for its failures.
  static bool open(const std::string& path, const Options& options, IKxLogger* logger, ComPtr<GdalSource>& out,
                   std::string* error);

  const GdalImage& image() const { return image_; }

  // Scenes that any source has read on the calling thread so far. The module
  // starts no thread, so a decode through a chain reads its source on the
  // caller's thread: comparing the count before and after a decode tells
  // whether that decode reached the image or was served by stages above it.
  static uint64_t ScenesReadOnThisThread();

  HRESULT KX_STDCALL QueryInterface(const IID& iid, void** out) override;

  HRESULT KX_STDCALL GetRasterProps(RasterProps* props) override;
  HRESULT KX_STDCALL Decode(DecodeBuffer* buffer, uint32_t quality, void* third) override;
  HRESULT KX_STDCALL Operation5(void* argument) override;
  HRESULT KX_STDCALL Operation6(void* argument) override;
  HRESULT KX_STDCALL Initialize() override;
  HRESULT KX_STDCALL FindInterface(const IID& iid, void** out) override;
  HRESULT KX_STDCALL SetContainedImp(IKxContentImp* imp) override;
  HRESULT KX_STDCALL RemoveContainedImp(IKxContentImp** out) override;
  HRESULT KX_STDCALL GetContainedImp(IKxContentImp** out) override;

  HRESULT KX_STDCALL DecodeBands(DecodeBuffer* buffer, uint32_t quality, const uint16_t* bandMap,
                                 void* context) override;
  HRESULT KX_STDCALL GetImageSize(double mag, uint32_t* width, uint32_t* height) override;
  HRESULT KX_STDCALL GetBackgroundPixel(uint32_t* reserved, DecodeBuffer* onePixel) override;
  HRESULT KX_STDCALL GetSpatialDomain(GeoDomain* out) override;
  HRESULT KX_STDCALL GetSpatialReference(IKxSpatialReference** out) override;

 private:
  friend class KxHostObject<GdalSource, IKxContentImp, IKxBandSelectDecode, IKxImageSizeQuery, IKxBackgroundPixelQuery,
                            IKxGeoSpatialInfo>;
  GdalSource(const Options& options, IKxLogger* logger) : options_(options), logger_(logger) {
    if (logger != nullptr) logger->AddRef();
  }
  ~GdalSource() = default;

  HRESULT decodeScene(const DecodeBuffer* buffer, const uint16_t* bandMap);
  void logFailure(HRESULT status, const DecodeBuffer& buffer, const std::string& reason);

  const Options options_;
  ComPtr<IKxLogger> logger_;  // null when the host gave none
  GdalDatasetPool datasets_;
  GdalImage image_;                        // set once by open, then read-only
  ComPtr<IKxSpatialReference> reference_;  // null without a spatial reference
};

}  // namespace kxhost

#endif  // KX_HOST_CHAIN_GDAL_SOURCE_H
