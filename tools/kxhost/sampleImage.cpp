#include "kxhost/sampleImage.h"

#include <cpl_conv.h>
#include <cpl_string.h>
#include <ogr_srs_api.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "hostChain/gdalSession.h"

namespace kxhost {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr uint32_t kGridSpacing = 64;
constexpr uint32_t kPatternCount = 7;

// Level of band `band` at pixel (x, y): 0 to 1, or negative for nodata.
// Each band has its own gradient and shape, so a band selection shows which
// band went where; a grid and a nodata corner are common to all.
double sampleLevel(uint32_t band, uint32_t x, uint32_t y, const SampleRecipe& recipe) {
  const double w = recipe.width;
  const double h = recipe.height;
  const double m = std::min(w, h);
  if (x + y < m / 6.0) return -1.0;
  if (x % kGridSpacing == 0 || y % kGridSpacing == 0) return 1.0;
  // Bands past the seventh repeat the patterns mirrored.
  const double px = band < kPatternCount ? x : w - 1.0 - x;
  const double u = px / w;
  const double v = y / h;
  const auto distance = [&](double cx, double cy) { return std::hypot(px - cx * w, y - cy * h); };
  switch (band % kPatternCount) {
    case 0: return distance(0.3, 0.4) < 0.15 * m ? 1.0 : 0.8 * u;
    case 1: return (u > 0.55 && u < 0.85 && v > 0.2 && v < 0.45) ? 1.0 : 0.8 * v;
    case 2: return std::fabs(distance(0.65, 0.7) - 0.18 * m) < 0.03 * m ? 1.0 : 0.4 * (1.0 - u) + 0.4 * (1.0 - v);
    case 3: return 0.5 + 0.5 * std::cos(2.0 * kPi * distance(0.5, 0.5) / (0.05 * m));
    case 4: return (static_cast<int>(u * 8) + static_cast<int>(v * 8)) % 2 != 0 ? 0.75 : 0.25;
    case 5: return std::max(0.0, 1.0 - distance(0.5, 0.5) / (0.75 * m));
    default: return 0.5 + 0.5 * std::sin(2.0 * kPi * (px + y) / (0.05 * m));
  }
}

// One row of every band, band after band, quantised to 1 .. max of T.
template <typename T>
void fillRow(uint32_t y, const SampleRecipe& recipe, std::vector<T>* row) {
  const double top = std::numeric_limits<T>::max() - 1.0;
  for (uint32_t b = 0; b < recipe.bands; ++b) {
    T* out = row->data() + static_cast<size_t>(b) * recipe.width;
    for (uint32_t x = 0; x < recipe.width; ++x) {
      const double level = sampleLevel(b, x, y, recipe);
      out[x] = level < 0.0 ? static_cast<T>(kKxSampleNodata) : static_cast<T>(1.0 + std::round(level * top));
    }
  }
}

template <typename T>
bool writeRows(GDALDatasetH dataset, const SampleRecipe& recipe) {
  std::vector<T> row(static_cast<size_t>(recipe.width) * recipe.bands);
  const int width = static_cast<int>(recipe.width);
  for (uint32_t y = 0; y < recipe.height; ++y) {
    fillRow<T>(y, recipe, &row);
    if (GDALDatasetRasterIO(dataset, GF_Write, 0, static_cast<int>(y), width, 1, row.data(), width, 1, recipe.type,
                            static_cast<int>(recipe.bands), nullptr, sizeof(T), 0,
                            static_cast<int>(sizeof(T) * recipe.width)) != CE_None)
      return false;
  }
  return true;
}

// Geo-referencing: Web Mercator, 10 m pixels, north up.
bool georeference(GDALDatasetH dataset) {
  double transform[6] = {kKxSampleOriginX, kKxSamplePixelSize, 0.0, kKxSampleOriginY, 0.0, -kKxSamplePixelSize};
  OGRSpatialReferenceH reference = OSRNewSpatialReference(nullptr);
  char* wkt = nullptr;
  const bool described =
      OSRImportFromEPSG(reference, 3857) == OGRERR_NONE && OSRExportToWkt(reference, &wkt) == OGRERR_NONE;
  const bool stored =
      described && GDALSetProjection(dataset, wkt) == CE_None && GDALSetGeoTransform(dataset, transform) == CE_None;
  CPLFree(wkt);
  OSRDestroySpatialReference(reference);
  return stored;
}

bool buildOverviews(GDALDatasetH dataset, const SampleRecipe& recipe) {
  std::vector<int> factors;
  for (uint32_t factor = 2; std::min(recipe.width, recipe.height) / factor >= 64; factor *= 2)
    factors.push_back(factor);
  if (factors.empty()) return true;
  return GDALBuildOverviews(dataset, "NEAREST", static_cast<int>(factors.size()), factors.data(), 0, nullptr, nullptr,
                            nullptr) == CE_None;
}

}  // namespace

bool WriteSampleImage(const std::string& path, const SampleRecipe& recipe, std::string* error) {
  if (recipe.bands == 0 || recipe.width == 0 || recipe.height == 0 ||
      (recipe.type != GDT_Byte && recipe.type != GDT_UInt16)) {
    *error = "a sample needs at least one band and pixel, of type u8 or u16";
    return false;
  }
  // A tiled GeoTIFF, pixel-interleaved, large files allowed.
  GDALDriverH driver = GDALGetDriverByName("GTiff");
  char** options = nullptr;
  options = CSLSetNameValue(options, "TILED", "YES");
  options = CSLSetNameValue(options, "BIGTIFF", "IF_SAFER");
  GDALDatasetH dataset = driver == nullptr ? nullptr
                                           : GDALCreate(driver, path.c_str(), static_cast<int>(recipe.width),
                                                        static_cast<int>(recipe.height), static_cast<int>(recipe.bands),
                                                        recipe.type, options);
  CSLDestroy(options);
  if (dataset == nullptr) {
    *error = "cannot create " + path + ": " + GdalLastError("GeoTIFF driver missing");
    return false;
  }

  // Nodata, geo-referencing, pixels, then overviews of the finished pixels.
  bool written = georeference(dataset);
  for (uint32_t b = 1; written && b <= recipe.bands; ++b)
    written = GDALSetRasterNoDataValue(GDALGetRasterBand(dataset, static_cast<int>(b)), kKxSampleNodata) == CE_None;
  if (written)
    written = recipe.type == GDT_Byte ? writeRows<uint8_t>(dataset, recipe) : writeRows<uint16_t>(dataset, recipe);
  if (written && recipe.overviews) written = buildOverviews(dataset, recipe);
  // Closing flushes the file; a failure there is a failed write too.
  const std::string reason = written ? "" : GdalLastError("write failed");
  if (written) CPLErrorReset();
  GDALClose(dataset);
  if (written && CPLGetLastErrorType() != CE_Failure) return true;
  *error = "cannot write " + path + ": " + (written ? GdalLastError("write failed") : reason);
  return false;
}

}  // namespace kxhost
