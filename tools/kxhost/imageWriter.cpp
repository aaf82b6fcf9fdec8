#include "kxhost/imageWriter.h"

#include <cpl_conv.h>
#include <cpl_string.h>
#include <gdal.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <utility>

#include "hostChain/gdalSession.h"
#include "hostChain/kelvaneApi.h"
#include "hostChain/memoryDataset.h"
#include "hostChain/outputFile.h"
#include "hostChain/renderFormat.h"

namespace kxhost {

namespace {

struct DriverByExtension {
  const char* extension;
  const char* driver;
};
const DriverByExtension kDrivers[] = {
    {".png", "PNG"}, {".tif", "GTiff"}, {".tiff", "GTiff"}, {".jpg", "JPEG"}, {".jpeg", "JPEG"},
};

// Signed 8-bit samples travel as bytes flagged signed.
// Owns a dataset handle.
struct DatasetCloser {
  GDALDatasetH handle;
  ~DatasetCloser() {
    if (handle != nullptr) GDALClose(handle);
  }
};

// Geo-referencing and nodata for formats that keep them.
void describeForGeoTiff(GDALDatasetH dataset, const RenderedImage& image) {
  if (image.hasGeoTransform) GDALSetGeoTransform(dataset, const_cast<double*>(image.geoTransform));
  if (!image.wkt.empty()) GDALSetProjection(dataset, image.wkt.c_str());
  for (uint32_t b = 0; b < image.bands && b < image.nodata.size(); ++b) {
    if (image.nodata[b])
      GDALSetRasterNoDataValue(GDALGetRasterBand(dataset, static_cast<int>(b) + 1), *image.nodata[b]);
  }
}

}  // namespace

const char* DriverForPath(const std::string& path) {
  std::string lower = path;
  std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
  for (const DriverByExtension& entry : kDrivers) {
    const size_t length = std::strlen(entry.extension);
    if (lower.size() > length && lower.compare(lower.size() - length, length, entry.extension) == 0)
      return entry.driver;
  }
  return nullptr;
}

bool WriteImage(const std::string& path, const RenderedImage& image, std::string* error) {
  const char* driverName = DriverForPath(path);
  if (driverName == nullptr) {
    *error = "cannot tell the format of " + path + " (use .png, .tif or .jpg)";
    return false;
  }
  GDALDriverH driver = GDALGetDriverByName(driverName);
  if (driver == nullptr) {
    *error = std::string("GDAL has no ") + driverName + " driver";
    return false;
  }
  DatasetCloser memory{WrapSamplesInMemory(image, error)};
  if (memory.handle == nullptr) return false;

  // GeoTIFF keeps geo-referencing, nodata and signed bytes.
  const bool geoTiff = std::strcmp(driverName, "GTiff") == 0;
  char** options = nullptr;
  if (geoTiff) {
    describeForGeoTiff(memory.handle, image);
    if (image.type == KX_TYPE_S8) options = CSLSetNameValue(options, "PIXELTYPE", "SIGNEDBYTE");
  }
  // The image appears under its name only once it is whole. No side-car
  // file is written: nothing is kept in one, and it would carry the
  // temporary name.
  OutputFile output(path);
  CPLSetThreadLocalConfigOption("GDAL_PAM_ENABLED", "NO");
  CPLErrorReset();
  DatasetCloser written{
      GDALCreateCopy(driver, output.temporaryPath().c_str(), memory.handle, FALSE, options, nullptr, nullptr)};
  CSLDestroy(options);
  bool whole = false;
  if (written.handle != nullptr) {
    // Closing flushes the file; a failure there is a failed write too.
    GDALClose(std::exchange(written.handle, nullptr));
    whole = CPLGetLastErrorType() != CE_Failure;
  }
  CPLSetThreadLocalConfigOption("GDAL_PAM_ENABLED", nullptr);
  if (whole) return output.commit(error);
  *error = "cannot write " + path + ": " + GdalLastError("the driver refused the image");
  return false;
}

}  // namespace kxhost
