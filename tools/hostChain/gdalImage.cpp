#include "hostChain/gdalImage.h"

#include <cpl_conv.h>
#include <ogr_srs_api.h>

#include <algorithm>
#include <cstring>

#include "hostChain/kelvaneApi.h"

namespace kxhost {

namespace {

// Band indices of the buffers' band maps are unsigned 16-bit.
constexpr int kMostBands = 65535;

bool isServedType(GDALDataType type) {
  switch (type) {
    case GDT_Byte:
    case GDT_UInt16:
    case GDT_Int16:
    case GDT_UInt32:
    case GDT_Int32:
    case GDT_Float32:
    case GDT_Float64: return true;
    default: return false;
  }
}

// Smallest magnification among the first band's overviews (1 without any).
double smallestOverviewMag(GDALRasterBandH band, uint32_t width) {
  double smallest = 1.0;
  const int count = GDALGetOverviewCount(band);
  for (int i = 0; i < count; ++i) {
    GDALRasterBandH overview = GDALGetOverview(band, i);
    if (overview == nullptr) continue;
    smallest = std::min(smallest, static_cast<double>(GDALGetRasterBandXSize(overview)) / width);
  }
  return smallest;
}

// Text forms of the dataset's spatial reference, when it has one.
void describeReference(GDALDatasetH dataset, GdalImage* image) {
  OGRSpatialReferenceH reference = GDALGetSpatialRef(dataset);
  if (reference == nullptr) return;
  char* text = nullptr;
  if (OSRExportToWkt(reference, &text) == OGRERR_NONE && text != nullptr) image->wkt = text;
  CPLFree(text);
  text = nullptr;
  if (OSRExportToProj4(reference, &text) == OGRERR_NONE && text != nullptr) image->proj4 = text;
  CPLFree(text);
}

}  // namespace

uint32_t GdalImage::bitsPerSample() const { return static_cast<uint32_t>(GDALGetDataTypeSizeBits(dataType)); }

int32_t GdalImage::pixelSampleType() const {
  switch (dataType) {
    case GDT_Byte: return signedBytes ? KX_SAMPLE_S8 : KX_SAMPLE_U8;
    case GDT_UInt16: return KX_SAMPLE_U16;
    case GDT_Int16: return KX_SAMPLE_S16;
    case GDT_UInt32: return KX_SAMPLE_U32;
    case GDT_Int32: return KX_SAMPLE_S32;
    case GDT_Float32: return KX_SAMPLE_F32;
    default: return KX_SAMPLE_F64;
  }
}

bool DescribeGdalImage(GDALDatasetH dataset, const std::string& path, GdalImage* image, std::string* error) {
  // Size and bands.
  const int bands = GDALGetRasterCount(dataset);
  const int width = GDALGetRasterXSize(dataset);
  const int height = GDALGetRasterYSize(dataset);
  if (bands < 1 || width < 1 || height < 1) {
    *error = path + " has no raster data";
    return false;
  }
  if (bands > kMostBands) {
    *error = path + " has " + std::to_string(bands) + " bands, more than " + std::to_string(kMostBands);
    return false;
  }
  GdalImage described;
  described.path = path;
  GDALDriverH driver = GDALGetDatasetDriver(dataset);
  described.driver = driver != nullptr ? GDALGetDriverShortName(driver) : "";
  described.width = static_cast<uint32_t>(width);
  described.height = static_cast<uint32_t>(height);
  described.bandCount = static_cast<uint32_t>(bands);

  // Sample type of the first band.
  GDALRasterBandH first = GDALGetRasterBand(dataset, 1);
  described.dataType = GDALGetRasterDataType(first);
  if (!isServedType(described.dataType)) {
    *error = path + ": sample type " + GDALGetDataTypeName(described.dataType) + " is not supported";
    return false;
  }
  const char* pixelType = GDALGetMetadataItem(first, "PIXELTYPE", "IMAGE_STRUCTURE");
  described.signedBytes =
      described.dataType == GDT_Byte && pixelType != nullptr && std::strcmp(pixelType, "SIGNEDBYTE") == 0;

  // Background values per band.
  for (int b = 1; b <= bands; ++b) {
    int hasNodata = FALSE;
    const double value = GDALGetRasterNoDataValue(GDALGetRasterBand(dataset, b), &hasNodata);
    described.nodata.push_back(hasNodata ? std::optional<double>(value) : std::nullopt);
  }

  // The dataset's own metadata, for hosts that pass it on.
  for (char** item = GDALGetMetadata(dataset, nullptr); item != nullptr && *item != nullptr; ++item)
    described.metadata.emplace_back(*item);

  // Magnification range and geo-referencing.
  described.minMag = smallestOverviewMag(first, described.width);
  described.hasGeoTransform = GDALGetGeoTransform(dataset, described.geoTransform) == CE_None;
  describeReference(dataset, &described);
  *image = std::move(described);
  return true;
}

}  // namespace kxhost
