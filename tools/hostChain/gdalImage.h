// What the host learns about a GDAL raster once, when it opens it.
#ifndef KX_HOST_CHAIN_GDAL_IMAGE_H
#define KX_HOST_CHAIN_GDAL_IMAGE_H

#include <gdal.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kxhost {

// Immutable description of an opened image; shared by every decode.
struct GdalImage {
  std::string path;
  std::string driver;
  uint32_t width = 0;
  uint32_t height = 0;
  uint32_t bandCount = 0;
  GDALDataType dataType = GDT_Unknown;        // of the first band
  bool signedBytes = false;                   // 8-bit samples flagged as signed
  std::vector<std::optional<double>> nodata;  // per band
  double minMag = 1.0;                        // magnification of the smallest overview
  bool hasGeoTransform = false;
  double geoTransform[6] = {0.0, 1.0, 0.0, 0.0, 0.0, 1.0};
  std::string wkt;                    // empty without a spatial reference
  std::string proj4;                  // empty when the reference has no PROJ form
  std::vector<std::string> metadata;  // the dataset's own items, NAME=VALUE, default domain

  // The value of band `band` (from 0) outside the image: its nodata, else 0.
  double background(uint32_t band) const { return nodata[band].value_or(0.0); }
  // Bits per sample and the KxIPixel sample type code of the first band.
  uint32_t bitsPerSample() const;
  int32_t pixelSampleType() const;
};

// Fills `image` from an open dataset. False with a one-line reason when the
// raster cannot be served (no bands, too many, or an unsupported sample type).
bool DescribeGdalImage(GDALDatasetH dataset, const std::string& path, GdalImage* image, std::string* error);

}  // namespace kxhost

#endif  // KX_HOST_CHAIN_GDAL_IMAGE_H
