// What a GDAL name asks of the driver: the image at the bottom of the chain
// and the render options that stack stages on it, from a connection string
// (kx://PATH?bands=3,2,1&rotate=90) or from a chain file (*.kxchain).
#ifndef KX_GDAL_DRIVER_CHAIN_REQUEST_H
#define KX_GDAL_DRIVER_CHAIN_REQUEST_H

#include <string>
#include <utility>
#include <vector>

#include "hostChain/renderSettings.h"

namespace kxdriver {

inline constexpr char kConnectionPrefix[] = "kx://";
inline constexpr char kChainFileRoot[] = "KXChain";

struct ChainRequest {
  std::string source;                                        // any name GDAL opens
  std::vector<std::pair<std::string, std::string>> options;  // key, value; keys as given
};

// Whether `name` is a connection string of the driver.
bool IsConnectionString(const std::string& name);

// Splits a connection string. PATH ends at the last '?' (a PATH that holds
// '?' itself is written with a trailing '?' and no options); keys and values
// are percent-decoded. False with a one-line reason.
bool ParseConnectionString(const std::string& name, ChainRequest* request, std::string* error);

// Reads a chain file's XML text: <KXChain><Source>image</Source> and one
// element per option, named like its key. Paths in it (the source, the
// logo, the cache directory) are relative to `directory`, the file's folder.
bool ParseChainFile(const std::string& text, const std::string& directory, ChainRequest* request, std::string* error);

// The render settings the request asks for; options that shape a render's
// output rather than the chain (output, scene, mag, tile, threads, map-rect,
// srs) are refused, as are unknown ones and bad values.
bool SettingsFor(const ChainRequest& request, kxhost::RenderSettings* settings, std::string* error);

}  // namespace kxdriver

#endif  // KX_GDAL_DRIVER_CHAIN_REQUEST_H
