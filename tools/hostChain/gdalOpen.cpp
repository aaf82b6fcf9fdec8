#include "hostChain/gdalOpen.h"

#include <gdal_utils.h>

#include <vector>

namespace kxhost {

namespace {

// The -expand argument of gdal_translate for the dataset's palette; null
// when it has none that expands (more than one band, no palette, or a CMYK
// or HLS one).
const char* expansionOf(GDALDatasetH dataset, PaletteAlpha alpha) {
  if (GDALGetRasterCount(dataset) != 1) return nullptr;
  GDALColorTableH palette = GDALGetRasterColorTable(GDALGetRasterBand(dataset, 1));
  if (palette == nullptr) return nullptr;
  const GDALPaletteInterp interpretation = GDALGetPaletteInterpretation(palette);
  if (interpretation == GPI_Gray) return "gray";
  if (interpretation != GPI_RGB) return nullptr;
  if (alpha == PaletteAlpha::kDrop) return "rgb";
  for (int entry = 0; entry < GDALGetColorEntryCount(palette); ++entry) {
    if (GDALGetColorEntry(palette, entry)->c4 != 255) return "rgba";
  }
  return "rgb";
}

// The text of a virtual dataset showing `dataset` with its palette expanded;
// empty when GDAL cannot make one.
std::string expandedView(GDALDatasetH dataset, const char* expansion) {
  std::vector<char*> arguments = {const_cast<char*>("-of"), const_cast<char*>("VRT"), const_cast<char*>("-expand"),
                                  const_cast<char*>(expansion), nullptr};
  GDALTranslateOptions* options = GDALTranslateOptionsNew(arguments.data(), nullptr);
  if (options == nullptr) return {};
  // An unnamed virtual dataset lives in memory only; its text is all it is.
  GDALDatasetH view = GDALTranslate("", dataset, options, nullptr);
  GDALTranslateOptionsFree(options);
  if (view == nullptr) return {};
  char** text = GDALGetMetadata(view, "xml:VRT");
  std::string xml = text != nullptr && text[0] != nullptr ? text[0] : "";
  GDALClose(view);
  return xml;
}

}  // namespace

GDALDatasetH OpenRasterReadOnly(const std::string& name) {
  // Verbose, so that GDAL says why an image cannot be opened.
  return GDALOpenEx(name.c_str(), GDAL_OF_RASTER | GDAL_OF_READONLY | GDAL_OF_VERBOSE_ERROR, nullptr, nullptr, nullptr);
}

GDALDatasetH OpenRasterInColour(const std::string& path, PaletteAlpha alpha, std::string* name) {
  GDALDatasetH dataset = OpenRasterReadOnly(path);
  *name = path;
  const char* expansion = dataset != nullptr ? expansionOf(dataset, alpha) : nullptr;
  if (expansion == nullptr) return dataset;
  const std::string view = expandedView(dataset, expansion);
  GDALClose(dataset);
  if (view.empty()) return nullptr;
  *name = view;
  return OpenRasterReadOnly(view);
}

}  // namespace kxhost
