// The description file at the top of a cache directory: what the directory's
// tiles were made for. Tile names carry neither the tile size, nor the band
// count, nor the image, so a directory made for another configuration or
// another source would otherwise serve its files as this image's tiles.
//
// The file is "cache.description", a few lines of text, each a name and its
// values, in this order and nothing else:
//   kelvane persistent pixel cache 1
//   tile <width> <height>          the configured tile size in pixels
//   image <width> <height>         the source image's size at magnification 1
//   colorspace <number>            the source's host colour-space number
//   bands <count>                  its samples per pixel
//   type <number>                  its host sample type
//   bps <bits>                     its bits per sample
// It is written like the tiles: under a temporary name, then published
// without replacing, so the first stage to use a directory claims it and
// every later one either agrees with it or leaves the directory alone.
#ifndef KELVANE_STAGES_PERSISTANT_PIXEL_CACHE_KXV_CACHE_DESCRIPTION_H
#define KELVANE_STAGES_PERSISTANT_PIXEL_CACHE_KXV_CACHE_DESCRIPTION_H

#include <string>

#include "kelvane/kx_interfaces.h"
#include "kelvane/kx_records.h"
#include "support/kxPathString.h"

namespace Kelvane {

// Name of the description file inside a cache directory.
extern const char kCacheDescriptionName[];

// The description of a cache of `tileWidth` x `tileHeight` tiles over a
// source with `props` whose pixels have the layout `imageFormat`.
std::string describeCache(uint32_t tileWidth, uint32_t tileHeight, const RasterProps& props,
                          const BufferFormat& imageFormat);

// Whether the directory may be used for tiles of `description`: its
// description file says the same, or it had none and was empty (or missing)
// and now has this one. A directory described otherwise, with a damaged
// description, holding files but no description, or that cannot be claimed
// is refused; why is logged to `sink`. Never throws.
bool admitsCache(const PathString& directory, const std::string& description, IKxLogSink* sink) noexcept;

}  // namespace Kelvane

#endif  // KELVANE_STAGES_PERSISTANT_PIXEL_CACHE_KXV_CACHE_DESCRIPTION_H
