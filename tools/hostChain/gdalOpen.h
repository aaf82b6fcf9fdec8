// Opening images as kxhost reads them: read-only, with GDAL's reason on
// failure, and paletted images seen through their palettes' colours.
#ifndef KX_HOST_CHAIN_GDAL_OPEN_H
#define KX_HOST_CHAIN_GDAL_OPEN_H

#include <gdal.h>

#include <string>

namespace kxhost {

// Opens `name` (a file, or the text of a virtual dataset) read-only; null
// with GDAL's message kept for GdalLastError when it cannot.
GDALDatasetH OpenRasterReadOnly(const std::string& name);

// Whether an expanded palette keeps the entries' opacity as a fourth band.
enum class PaletteAlpha { kKeep, kDrop };

// Opens `path` as kxhost shows it. A one-band image with an RGB or grey
// palette is opened through a virtual dataset that expands its indices into
// the palette's colours, as `gdal_translate -expand` does: RGB, or RGBA when
// an entry is not opaque and `alpha` keeps it, or grey. `*name` is what opens
// the same view again (the path itself for any other image). Null when the
// image cannot be opened or its palette cannot be expanded.
GDALDatasetH OpenRasterInColour(const std::string& path, PaletteAlpha alpha, std::string* name);

}  // namespace kxhost

#endif  // KX_HOST_CHAIN_GDAL_OPEN_H
