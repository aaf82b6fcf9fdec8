#include "hostChain/watermarkImage.h"

#include <gdal.h>

#include <cstring>
#include <limits>

#include "hostChain/gdalImage.h"
#include "hostChain/gdalOpen.h"
#include "hostChain/gdalSceneReader.h"
#include "hostChain/gdalSession.h"
#include "hostChain/moduleLibrary.h"
#include "hostChain/renderFormat.h"

namespace kxhost {

namespace {

// A failed read: the reason, and false.
bool refuse(std::string* error, const std::string& reason) {
  *error = reason;
  return false;
}

// Whether GDAL's GeoTIFF driver converts the dataset's CMYK samples to RGBA.
bool separatedGeoTiff(GDALDatasetH dataset) {
  GDALDriverH driver = GDALGetDatasetDriver(dataset);
  const char* space = GDALGetMetadataItem(dataset, "SOURCE_COLOR_SPACE", "IMAGE_STRUCTURE");
  return driver != nullptr && std::strcmp(GDALGetDriverShortName(driver), "GTiff") == 0 && space != nullptr &&
         std::strcmp(space, "CMYK") == 0;
}

// Whether the four bands are cyan, magenta, yellow and black, as GDAL
// reports a separated (CMYK) photometric interpretation.
bool bandsAreCmyk(GDALDatasetH dataset) {
  const GDALColorInterp inks[] = {GCI_CyanBand, GCI_MagentaBand, GCI_YellowBand, GCI_BlackBand};
  for (int band = 1; band <= 4; ++band) {
    if (GDALGetRasterColorInterpretation(GDALGetRasterBand(dataset, band)) != inks[band - 1]) return false;
  }
  return true;
}

// The host colour space of the image's bands; 0 when it has none of them.
// A separated GeoTIFF holds inks whatever its bands are called.
uint32_t colorSpaceOf(GDALDatasetH dataset, uint32_t bands, bool separated) {
  if (bands == 1) return KX_CS_GREY;
  if (bands == 3) return KX_CS_RGB;
  if (bands == 4 && (separated || bandsAreCmyk(dataset))) return KX_CS_CMYK;
  return 0;
}

// The host sample type of the image's samples; empty for one a watermark does not take.
bool sampleTypeOf(GDALDataType dataType, uint32_t* type) {
  if (dataType == GDT_Byte) *type = KX_TYPE_U8;
  if (dataType == GDT_UInt16) *type = KX_TYPE_U16;
  return dataType == GDT_Byte || dataType == GDT_UInt16;
}

// Pixel-interleaved, packed rows of the image in the given colour space and type.
bool watermarkFormat(const GdalImage& image, uint32_t colorSpace, uint32_t type, BufferFormat* format,
                     std::string* error) {
  const uint32_t sampleBytes = KxHostSampleBytes(type);
  const uint64_t rowBytes = uint64_t{image.width} * image.bandCount * sampleBytes;
  if (rowBytes > std::numeric_limits<uint32_t>::max())
    return refuse(error, image.path + " is too wide for a watermark");
  *format = BufferFormat{};
  format->colorSpace = colorSpace;
  format->spp = format->stride = image.bandCount;
  format->type = type;
  format->order = KX_ORDER_INTERLEAVED;
  format->align = 1;
  format->rowbytes = static_cast<uint32_t>(rowBytes);
  format->bps = 8 * sampleBytes;
  for (uint32_t s = 0; s < image.bandCount; ++s) format->smap[s] = static_cast<int32_t>(s * sampleBytes);
  return true;
}

// Reads the described image through `dataset` into a new watermark.
bool readPixels(GDALDatasetH dataset, bool separated, const GdalImage& image,
                std::shared_ptr<const WatermarkImage>* out, std::string* error) {
  const uint32_t colorSpace = colorSpaceOf(dataset, image.bandCount, separated);
  if (colorSpace == 0)
    return refuse(error, image.path + " has " + std::to_string(image.bandCount) +
                             " bands: a watermark has 1 (grey), 3 (RGB) or 4 with a CMYK photometric interpretation");
  uint32_t type = 0;
  if (!sampleTypeOf(image.dataType, &type))
    return refuse(error, image.path + ": a watermark has 8- or 16-bit unsigned samples, not " +
                             GDALGetDataTypeName(image.dataType));
  auto watermark = std::make_shared<WatermarkImage>();
  DecodeBuffer& record = watermark->record;
  record.scene = Scene{0.0, 0.0, static_cast<double>(image.width), static_cast<double>(image.height), 1.0};
  if (!watermarkFormat(image, colorSpace, type, &record.format, error)) return false;
  // Bounded as a render is, before any pixel memory is taken.
  if (!FitsInMemory(record.scene, record.format, "the watermark " + image.path, error)) return false;
  try {
    watermark->pixels.resize(size_t{image.height} * record.format.rowbytes);
  } catch (const std::exception&) {
    return refuse(error, "not enough memory for " + image.path);
  }
  record.pBits = watermark->pixels.data();
  const HRESULT status = ReadScene(dataset, image, record, nullptr, GRIORA_NearestNeighbour);
  if (FAILED(status))
    return refuse(error, "reading " + image.path + " failed: " + GdalLastError(StatusText(status).c_str()));
  *out = std::move(watermark);
  return true;
}

}  // namespace

bool ReadWatermarkImage(const std::string& path, std::shared_ptr<const WatermarkImage>* image, std::string* error) {
  // A palette's colours are stamped, without their opacity: the stamp replaces what it covers.
  std::string name;
  GDALDatasetH dataset = OpenRasterInColour(path, PaletteAlpha::kDrop, &name);
  // GDAL's GeoTIFF driver shows a separated (CMYK) image as RGBA; its inks are read raw.
  const bool separated = dataset != nullptr && separatedGeoTiff(dataset);
  if (separated) {
    GDALClose(dataset);
    dataset = OpenRasterReadOnly("GTIFF_RAW:" + path);
  }
  if (dataset == nullptr) return refuse(error, "cannot open " + path + ": " + GdalLastError("not a readable raster"));
  GdalImage described;
  const bool read =
      DescribeGdalImage(dataset, path, &described, error) && readPixels(dataset, separated, described, image, error);
  GDALClose(dataset);
  return read;
}

}  // namespace kxhost
