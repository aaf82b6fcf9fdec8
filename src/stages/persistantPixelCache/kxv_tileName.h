// Names of the persistent pixel cache's tile files. A tile lives at
//   <cache directory>/<level>/<row>/r<row>.c<column>.w<width>.h<height>.c<colour space>.bps<bps>.smp<type>.bip.raw
// where <level> is "%f" of the negated base-2 logarithm of the magnification
// ("-0.000000" at 1, "1.000000" at 0.5). Rows and columns count tiles from
// the image's upper-left corner at that magnification; tiles at the right and
// bottom edges are narrower or lower, and so are their names.
#ifndef KELVANE_STAGES_PERSISTANT_PIXEL_CACHE_KXV_TILE_NAME_H
#define KELVANE_STAGES_PERSISTANT_PIXEL_CACHE_KXV_TILE_NAME_H

#include <string>

#include "kelvane/kx_records.h"
#include "support/kxPathString.h"

namespace Kelvane {

// The level directory's name for a magnification (a positive finite number).
std::string tileLevelText(double mag);

// The path of the tile in `row` and `column` described by `record`: its
// scene's width, height (truncated to integers, which the caller keeps within
// int) and magnification and its format; the corner is not used. Raises
// KxUtilException(KX_STATUS_OUT_OF_MEMORY) when memory runs out.
PathString makeTileFileName(const PathString& cacheDirectory, const DecodeBuffer& record, int row, int column);

}  // namespace Kelvane

#endif  // KELVANE_STAGES_PERSISTANT_PIXEL_CACHE_KXV_TILE_NAME_H
