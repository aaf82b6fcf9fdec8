// Synthetic geo-referenced sample images with content that can be checked by
// eye: gradients, a grid, shapes, and a corner of nodata.
#ifndef KXHOST_SAMPLE_IMAGE_H
#define KXHOST_SAMPLE_IMAGE_H

#include <gdal.h>

#include <cstdint>
#include <string>

namespace kxhost {

struct SampleRecipe {
  uint32_t width = 1024;
  uint32_t height = 768;
  uint32_t bands = 3;
  GDALDataType type = GDT_Byte;  // GDT_Byte or GDT_UInt16
  bool overviews = true;         // powers of two down to about 64 pixels
};

// Every band's nodata value; pattern samples never take it.
inline constexpr double kKxSampleNodata = 0.0;
// Web Mercator (EPSG:3857) geo-referencing of every sample: 10 m pixels,
// north up, the upper-left corner at these map coordinates.
inline constexpr double kKxSampleOriginX = 1113194.9;
inline constexpr double kKxSampleOriginY = 6446275.8;
inline constexpr double kKxSamplePixelSize = 10.0;

// Writes a tiled GeoTIFF; false with a one-line reason.
bool WriteSampleImage(const std::string& path, const SampleRecipe& recipe, std::string* error);

}  // namespace kxhost

#endif  // KXHOST_SAMPLE_IMAGE_H
