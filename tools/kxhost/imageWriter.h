// Writing a rendered scene to an image file through GDAL.
#ifndef KXHOST_IMAGE_WRITER_H
#define KXHOST_IMAGE_WRITER_H

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "hostChain/memoryDataset.h"

namespace kxhost {

// A rendered scene in memory: pixel-interleaved samples of a host sample type.
// Geo-referencing and nodata are written only to formats that keep them
// (GeoTIFF).
struct RenderedImage : SampleView {
  bool hasGeoTransform = false;
  double geoTransform[6] = {0.0, 1.0, 0.0, 0.0, 0.0, 1.0};
  std::string wkt;
  std::vector<std::optional<double>> nodata;  // per band; may be empty
};

// The GDAL driver for a file name's extension (.png, .tif/.tiff, .jpg/.jpeg),
// or null for any other.
const char* DriverForPath(const std::string& path);

// Writes `image` to `path`; false with a one-line reason.
bool WriteImage(const std::string& path, const RenderedImage& image, std::string* error);

}  // namespace kxhost

#endif  // KXHOST_IMAGE_WRITER_H
