// Quarter turns of the transposer stage in its own terms: which kernel mode
// an angle asks for, how large the turned image is at a magnification, and
// where a scene of the turned image lies in the upstream image.
#ifndef KELVANE_STAGES_TRANSPOSER_KXV_TRANSPOSER_GEOMETRY_H
#define KELVANE_STAGES_TRANSPOSER_KXV_TRANSPOSER_GEOMETRY_H

#include <cstdint>
#include <optional>

#include "kelvane/kx_records.h"

namespace Kelvane {

// The kernel mode of a clockwise angle: 90, 180 and 270 turn; any other
// angle (0 included) has none.
std::optional<uint32_t> KxvTurnModeOf(uint32_t angle);

// Whether a turn can carry the samples of `from` into `to`: it moves them
// unchanged, so both must hold the same colour space, samples per pixel,
// sample type and bits per sample.
inline bool KxvTurnKeepsSamples(const BufferFormat& from, const BufferFormat& to) {
  return from.colorSpace == to.colorSpace && from.spp == to.spp && from.type == to.type && from.bps == to.bps;
}

// Whether the angle exchanges width and height (90 and 270).
inline bool KxvTurnSwapsAxes(uint32_t angle) { return angle == 90 || angle == 270; }

// Whole pixels of an image at one magnification.
struct KxvImageExtent {
  double width = 0.0;
  double height = 0.0;
};

// The extent of the image `props` describe at `mag`: its size scaled to that
// magnification and rounded up to whole pixels, as the persistent pixel
// cache takes it. A navigator would clamp the magnification to the source's
// range and drop the last, partly covered pixel, misplacing every turned
// scene of an image whose source offers no size query.
KxvImageExtent KxvScaledExtent(const RasterProps& props, double mag);

// The scene of the upstream image that, turned clockwise by `rotation`, gives
// `requested`; `turned` is the whole turned image at the requested
// magnification. Angles other than 90, 180 and 270 map a scene to itself.
Scene KxvUpstreamScene(const Scene& requested, uint32_t rotation, const KxvImageExtent& turned);

}  // namespace Kelvane

#endif  // KELVANE_STAGES_TRANSPOSER_KXV_TRANSPOSER_GEOMETRY_H
