#include "hostChain/gdalSceneReader.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <vector>

#include "hostChain/bufferKernels.h"
#include "hostChain/bufferLayout.h"
#include "hostChain/scenePlacement.h"

namespace kxhost {

namespace {

// One GDAL read: the integer window GDAL checks against the raster, and the
// exact fractional window with the resampling in the extra argument.
struct GdalWindow {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  GDALRasterIOExtraArg extra;
};

// The samples of one read: where the first lands and how the rest follow.
struct GdalTarget {
  void* data = nullptr;
  GDALDataType type = GDT_Unknown;
  int bandCount = 0;
  int* bands = nullptr;
  GSpacing pixelSpace = 0;
  GSpacing lineSpace = 0;
  GSpacing bandSpace = 0;
};

GDALDataType gdalTypeOf(uint32_t hostType) {
  switch (hostType) {
    case KX_TYPE_U8: return GDT_Byte;
    case KX_TYPE_U16: return GDT_UInt16;
    case KX_TYPE_S16: return GDT_Int16;
    case KX_TYPE_F32: return GDT_Float32;
    default: return GDT_Unknown;  // signed 8-bit is read widened
  }
}

// The integer window covering a source window (GDAL requires the integer
// window to start at most one pixel before it and to be less than one pixel
// wider), clamped to the image.
void coverAxis(double start, double length, uint32_t size, int* first, int* count) {
  const double lowest = std::clamp(std::floor(start), 0.0, static_cast<double>(size - 1));
  const double wanted = std::max(1.0, std::ceil(length - 1e-9));
  *first = static_cast<int>(lowest);
  *count = static_cast<int>(std::min(wanted, static_cast<double>(size) - lowest));
}

GdalWindow windowFor(const ScenePlacement& placement, const GdalImage& image, GDALRIOResampleAlg resampling) {
  GdalWindow window;
  INIT_RASTERIO_EXTRA_ARG(window.extra);
  const SourceWindow& source = placement.source;
  coverAxis(source.x, source.width, image.width, &window.x, &window.width);
  coverAxis(source.y, source.height, image.height, &window.y, &window.height);
  // At full resolution the window is whole pixels already.
  if (placement.mag != 1.0) {
    window.extra.eResampleAlg = resampling;
    window.extra.bFloatingPointWindowValidity = TRUE;
    window.extra.dfXOff = source.x;
    window.extra.dfYOff = source.y;
    window.extra.dfXSize = source.width;
    window.extra.dfYSize = source.height;
  }
  return window;
}

HRESULT readInto(GDALDatasetH dataset, GdalWindow& window, const PixelRect& rect, const GdalTarget& target) {
  const CPLErr result = GDALDatasetRasterIOEx(
      dataset, GF_Read, window.x, window.y, window.width, window.height, target.data, static_cast<int>(rect.width()),
      static_cast<int>(rect.height()), target.type, target.bandCount, target.bands, target.pixelSpace, target.lineSpace,
      target.bandSpace, &window.extra);
  return result == CE_None ? S_OK : E_FAIL;
}

// Signed 8-bit samples: each band through a packed 16-bit plane.
HRESULT readSignedBytes(GDALDatasetH dataset, GdalWindow& window, const BufferLayout& layout, const PixelRect& rect,
                        int* bands) {
  std::vector<int16_t> plane(static_cast<size_t>(rect.width() * rect.height()));
  for (uint32_t s = 0; s < layout.spp; ++s) {
    GdalTarget target{plane.data(), GDT_Int16, 1, &bands[s], 2, 2 * rect.width(), 0};
    const HRESULT status = readInto(dataset, window, rect, target);
    if (FAILED(status)) return status;
    StoreSignedBytes(plane.data(), layout, rect, s);
  }
  return S_OK;
}

// Every other type straight into the buffer: one call when the samples follow
// at one distance, else one call per sample.
HRESULT readDirect(GDALDatasetH dataset, GdalWindow& window, const BufferLayout& layout, const PixelRect& rect,
                   int* bands) {
  GdalTarget target{nullptr, gdalTypeOf(layout.type), 1, nullptr, layout.pixelStep, layout.rowStep, 0};
  int64_t step = 0;
  if (layout.uniformSampleStep(&step)) {
    target.data = layout.sampleAt(rect.x0, rect.y0, 0);
    target.bandCount = static_cast<int>(layout.spp);
    target.bands = bands;
    target.bandSpace = step;
    return readInto(dataset, window, rect, target);
  }
  for (uint32_t s = 0; s < layout.spp; ++s) {
    target.data = layout.sampleAt(rect.x0, rect.y0, s);
    target.bands = &bands[s];
    const HRESULT status = readInto(dataset, window, rect, target);
    if (FAILED(status)) return status;
  }
  return S_OK;
}

// The buffer pixels around `inside` (all of them when it is empty).
void fillOutside(const BufferLayout& layout, const ScenePlacement& placement, const double* values) {
  const PixelRect& in = placement.onImage;
  const int64_t cols = placement.cols;
  const int64_t rows = placement.rows;
  if (in.empty()) {
    FillRect(layout, {0, 0, cols, rows}, values);
    return;
  }
  FillRect(layout, {0, 0, cols, in.y0}, values);
  FillRect(layout, {0, in.y1, cols, rows}, values);
  FillRect(layout, {0, in.y0, in.x0, in.y1}, values);
  FillRect(layout, {in.x1, in.y0, cols, in.y1}, values);
}

}  // namespace

HRESULT ReadScene(GDALDatasetH dataset, const GdalImage& image, const DecodeBuffer& buffer, const uint16_t* bandMap,
                  GDALRIOResampleAlg resampling) {
  // Scene and layout.
  ScenePlacement placement;
  if (!PlaceScene(buffer.scene, image.width, image.height, &placement)) return E_INVALIDARG;
  BufferLayout layout;
  const HRESULT checked =
      CheckBufferLayout(buffer, placement.cols, bandMap != nullptr ? 256u : image.bandCount, &layout);
  if (FAILED(checked)) return checked;

  // GDAL band numbers (from 1) and their backgrounds, one per sample.
  int bands[256];
  double background[256];
  for (uint32_t s = 0; s < layout.spp; ++s) {
    const uint32_t band = bandMap != nullptr ? bandMap[s] : s;
    if (band >= image.bandCount) return E_INVALIDARG;
    bands[s] = static_cast<int>(band) + 1;
    background[s] = image.background(band);
  }
  if (placement.cols == 0 || placement.rows == 0) return S_OK;

  // The part on the image, then the rest.
  HRESULT status = S_OK;
  if (!placement.onImage.empty()) {
    GdalWindow window = windowFor(placement, image, resampling);
    status = layout.type == KX_TYPE_S8 ? readSignedBytes(dataset, window, layout, placement.onImage, bands)
                                       : readDirect(dataset, window, layout, placement.onImage, bands);
  }
  fillOutside(layout, placement, background);
  return status;
}

HRESULT FillBackgroundPixel(const GdalImage& image, const DecodeBuffer& buffer) {
  BufferLayout layout;
  const HRESULT checked = CheckBufferLayout(buffer, 1, image.bandCount, &layout);
  if (FAILED(checked)) return checked;
  double background[256];
  for (uint32_t s = 0; s < layout.spp; ++s) background[s] = image.background(s);
  FillRect(layout, {0, 0, 1, 1}, background);
  return S_OK;
}

}  // namespace kxhost
