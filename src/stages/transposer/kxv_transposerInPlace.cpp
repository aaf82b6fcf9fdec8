// KxvTransposerImp::turnInPlace: turning a caller's buffer where it lies,
// once the upstream has decoded into it. Half turns trade pixels pairwise;
// quarter turns of square buffers move blocks around the centre. Only
// layouts whose pixels the turn moves unchanged qualify; the answer depends
// on the layout alone, so the stage asks before the upstream decodes.
#include <optional>
#include <vector>

#include "content/kxv_decodeBufConfig.h"
#include "kelvane/kx_exception.h"
#include "raster/sampleTraits.h"
#include "raster/transpose/inPlaceTurns.h"
#include "stages/transposer/kxv_transposerGeometry.h"
#include "stages/transposer/kxv_transposerImp.h"
#include "stages/transposer/kxv_turnDescription.h"

namespace Kelvane {

namespace {

// Whether the buffer's raster of sample type T can be turned in place, and
// with `scratch` turns it.
template <typename T>
bool TurnRasterInPlace(uint32_t mode, const DecodeBuffer& buffer, std::vector<unsigned char>* scratch) {
  const std::optional<KxvDecodeBufConfig::PixelExtent> shape = KxvDecodeBufConfig::PixelExtentOf(buffer);
  if (!shape) return false;
  ImageBufferInfo info;
  KxvDescribeForTurn(buffer, info);
  const Raster<T> raster(static_cast<T*>(buffer.pBits), shape->columns, shape->rows, buffer.format.rowbytes, info);
  if (scratch == nullptr) return canTurnRasterInPlace(mode, raster);
  return turnRasterInPlace(mode, raster, *scratch);
}

}  // namespace

bool KxvTransposerImp::turnInPlace(const DecodeBuffer& buffer, uint32_t rotation, std::vector<unsigned char>* scratch) {
  const std::optional<uint32_t> mode = KxvTurnModeOf(rotation);
  if (!mode || !KxvEverySampleCanMove(buffer.format)) return false;
  // A layout the kernels cannot describe, or working memory that cannot be
  // had, leaves the pixels as they are.
  try {
    switch (buffer.format.type) {
      case KX_TYPE_U8: return TurnRasterInPlace<E>(*mode, buffer, scratch);
      case KX_TYPE_U16: return TurnRasterInPlace<G>(*mode, buffer, scratch);
      default: return false;
    }
  } catch (const KxUtilException&) {
    return false;
  }
}

}  // namespace Kelvane
