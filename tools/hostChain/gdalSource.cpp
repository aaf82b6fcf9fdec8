#include "hostChain/gdalSource.h"

#include <cstdio>
#include <new>

#include "hostChain/gdalSceneReader.h"
#include "hostChain/gdalSession.h"
#include "hostChain/gdalSpatialReference.h"
#include "hostChain/outputFile.h"
#include "hostChain/scenePlacement.h"

namespace kxhost {

namespace {

constexpr uint32_t kFailureLevel = 3;

// What the source handles itself: any part of the image, scenes reaching
// outside it, any magnification (overviews and resampling), and any stride,
// sample type, order and sample map. It never converts colour spaces and
// writes full-width samples whatever bps a buffer declares.
constexpr uint32_t kCapabilities = KX_CAP_PARTIAL_SCENE | KX_CAP_POW2_MAG | KX_CAP_ANY_MAG | KX_CAP_OUTSIDE_IMAGE |
                                   KX_CAP_STRIDE | KX_CAP_DATA_TYPE | KX_CAP_ORDER | KX_CAP_SAMPLE_MAP;

// Host colour space by band count, and the raster library's code for the pixel.
uint32_t hostColorSpace(uint32_t bands) {
  if (bands == 3) return KX_CS_RGB;
  if (bands == 1) return KX_CS_GREY;
  return KX_CS_MULTIBAND;
}

uint32_t libraryColorSpace(uint32_t bands) {
  if (bands == 3) return 769;
  if (bands == 1) return 257;
  return 65281;
}

// Scenes read on this thread, by every source (see ScenesReadOnThisThread).
thread_local uint64_t tScenesRead = 0;

}  // namespace

uint64_t GdalSource::ScenesReadOnThisThread() { return tScenesRead; }

bool GdalSource::open(const std::string& path, const Options& options, IKxLogger* logger, ComPtr<GdalSource>& out,
                      std::string* error) {
  ComPtr<GdalSource> source(new (std::nothrow) GdalSource(options, logger));
  if (!source) {
    *error = "out of memory";
    return false;
  }
  // The first dataset handle, and what it says about the image. Only a
  // regular file is opened: opening a FIFO would wait for a writer.
  if (!IsRegularInput(path, error)) return false;
  GDALDatasetH dataset = source->datasets_.open(path);
  if (dataset == nullptr) {
    *error = "cannot open " + path + ": " + GdalLastError("not a readable raster");
    return false;
  }
  if (!DescribeGdalImage(dataset, path, &source->image_, error)) return false;
  // The spatial reference the source hands out.
  const GdalImage& image = source->image_;
  if (!image.wkt.empty() || !image.proj4.empty()) {
    source->reference_ = ComPtr<IKxSpatialReference>(GdalSpatialReference::create(image.wkt, image.proj4));
    if (!source->reference_) {
      *error = "out of memory";
      return false;
    }
  }
  out = std::move(source);
  return true;
}

HRESULT KX_STDCALL GdalSource::QueryInterface(const IID& iid, void** out) {
  if (out == nullptr) return E_INVALIDARG;
  *out = nullptr;
  // One identity; spatial information only for a geo-referenced image.
  if (KxIsEqualGUID(iid, IID_IUnknown) || KxIsEqualGUID(iid, IID_IKxContentImp)) {
    *out = static_cast<IKxContentImp*>(this);
  } else if (KxIsEqualGUID(iid, IID_IKxBandSelectDecode)) {
    *out = static_cast<IKxBandSelectDecode*>(this);
  } else if (KxIsEqualGUID(iid, IID_IKxImageSizeQuery)) {
    *out = static_cast<IKxImageSizeQuery*>(this);
  } else if (KxIsEqualGUID(iid, IID_IKxBackgroundPixelQuery)) {
    *out = static_cast<IKxBackgroundPixelQuery*>(this);
  } else if (KxIsEqualGUID(iid, IID_IKxGeoSpatialInfo) && image_.hasGeoTransform) {
    *out = static_cast<IKxGeoSpatialInfo*>(this);
  } else {
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

HRESULT KX_STDCALL GdalSource::GetRasterProps(RasterProps* props) {
  try {
    if (props == nullptr || props->size != sizeof(RasterProps)) return E_INVALIDARG;
    props->flags = kCapabilities;
    props->width = image_.width;
    props->height = image_.height;
    props->colorSpace = hostColorSpace(image_.bandCount);
    props->numBands = image_.bandCount;
    props->bitsPerSample = image_.bitsPerSample();
    props->maxMag = 1.0;
    props->minMag = image_.minMag;
    props->pixel = KxIPixel(libraryColorSpace(image_.bandCount), static_cast<uint16_t>(image_.bandCount),
                            image_.pixelSampleType(), nullptr);
    return S_OK;
  } catch (...) {
    return E_FAIL;
  }
}

HRESULT KX_STDCALL GdalSource::Decode(DecodeBuffer* buffer, uint32_t, void*) {
  try {
    return decodeScene(buffer, nullptr);
  } catch (...) {
    return E_FAIL;
  }
}

HRESULT KX_STDCALL GdalSource::DecodeBands(DecodeBuffer* buffer, uint32_t, const uint16_t* bandMap, void*) {
  try {
    if (bandMap == nullptr) return E_INVALIDARG;
    return decodeScene(buffer, bandMap);
  } catch (...) {
    return E_FAIL;
  }
}

HRESULT GdalSource::decodeScene(const DecodeBuffer* buffer, const uint16_t* bandMap) {
  if (buffer == nullptr) return E_INVALIDARG;
  ++tScenesRead;
  GdalDatasetPool::Lease dataset = datasets_.borrow();
  if (dataset.get() == nullptr) {
    logFailure(E_FAIL, *buffer, GdalLastError("cannot open the image again"));
    return E_FAIL;
  }
  const HRESULT status = ReadScene(dataset.get(), image_, *buffer, bandMap, options_.resampling);
  if (FAILED(status)) logFailure(status, *buffer, status == E_FAIL ? GdalLastError("GDAL read failed") : "");
  return status;
}

void GdalSource::logFailure(HRESULT status, const DecodeBuffer& buffer, const std::string& reason) {
  IKxLogSink* sink = KxLogSinkOf(logger_.get());
  if (sink == nullptr || sink->GetLevel() < kFailureLevel) return;
  char line[512];
  std::snprintf(line, sizeof line, "[%x] decode of %s ul:%f,%f wh:%f,%f mag:%f failed%s%s",
                static_cast<unsigned>(status), image_.path.c_str(), buffer.scene.ulx, buffer.scene.uly,
                buffer.scene.width, buffer.scene.height, buffer.scene.mag, reason.empty() ? "" : ": ", reason.c_str());
  sink->Write(kFailureLevel, line);
}

// Operations 5 and 6 have no meaning for a source.
HRESULT KX_STDCALL GdalSource::Operation5(void*) { return E_FAIL; }
HRESULT KX_STDCALL GdalSource::Operation6(void*) { return E_FAIL; }

// A source is ready once open.
HRESULT KX_STDCALL GdalSource::Initialize() { return S_OK; }

HRESULT KX_STDCALL GdalSource::FindInterface(const IID& iid, void** out) { return QueryInterface(iid, out); }

// The bottom of a chain: nothing can be placed below it.
HRESULT KX_STDCALL GdalSource::SetContainedImp(IKxContentImp* imp) { return imp == nullptr ? E_INVALIDARG : E_FAIL; }

HRESULT KX_STDCALL GdalSource::RemoveContainedImp(IKxContentImp** out) {
  if (out == nullptr) return E_INVALIDARG;
  *out = nullptr;
  return S_OK;
}

HRESULT KX_STDCALL GdalSource::GetContainedImp(IKxContentImp** out) {
  if (out == nullptr) return E_INVALIDARG;
  *out = nullptr;
  return S_OK;
}

HRESULT KX_STDCALL GdalSource::GetImageSize(double mag, uint32_t* width, uint32_t* height) {
  if (width == nullptr || height == nullptr) return E_INVALIDARG;
  *width = ScaledExtent(image_.width, mag);
  *height = ScaledExtent(image_.height, mag);
  return *width == 0 ? E_INVALIDARG : S_OK;
}

HRESULT KX_STDCALL GdalSource::GetBackgroundPixel(uint32_t*, DecodeBuffer* onePixel) {
  try {
    if (onePixel == nullptr) return E_INVALIDARG;
    return FillBackgroundPixel(image_, *onePixel);
  } catch (...) {
    return E_FAIL;
  }
}

HRESULT KX_STDCALL GdalSource::GetSpatialDomain(GeoDomain* out) {
  if (out == nullptr) return E_INVALIDARG;
  // Origin and resolution describe only north-up images.
  const double* transform = image_.geoTransform;
  if (!image_.hasGeoTransform || transform[2] != 0.0 || transform[4] != 0.0) return E_FAIL;
  *out = GeoDomain{transform[0], transform[3], transform[1], transform[5]};
  return S_OK;
}

HRESULT KX_STDCALL GdalSource::GetSpatialReference(IKxSpatialReference** out) {
  if (out == nullptr) return E_INVALIDARG;
  *out = reference_.get();
  if (*out != nullptr) (*out)->AddRef();
  return S_OK;
}

}  // namespace kxhost
