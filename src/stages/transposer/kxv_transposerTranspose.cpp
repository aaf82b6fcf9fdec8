// KxvTransposerImp::Transpose: turning the pixels of one buffer into another.
// The operation is open to any host, so both buffers are checked against each
// other and against their own declared layouts before a pixel is written.
#include <cstdint>
#include <optional>
#include <vector>

#include "content/kxv_decodeBufConfig.h"
#include "kelvane/kx_exception.h"
#include "kelvane/kx_status.h"
#include "raster/sampleTraits.h"
#include "raster/transpose/transposer.h"
#include "stages/transposer/kxv_transposerGeometry.h"
#include "stages/transposer/kxv_transposerImp.h"
#include "stages/transposer/kxv_turnDescription.h"

namespace Kelvane {

namespace {

using PixelShape = KxvDecodeBufConfig::PixelExtent;

// A source that takes any scene in any layout: checking a buffer against it
// leaves only the question whether its own layout can be addressed.
RasterProps AnyLayoutSource() {
  RasterProps props;
  props.flags = KX_CAP_PARTIAL_SCENE | KX_CAP_POW2_MAG | KX_CAP_ANY_MAG | KX_CAP_OUTSIDE_IMAGE | KX_CAP_COLOR_SPACE |
                KX_CAP_STRIDE | KX_CAP_DATA_TYPE | KX_CAP_ORDER | KX_CAP_SAMPLE_MAP | KX_CAP_BPS;
  props.width = 1;
  props.height = 1;
  props.maxMag = 1.0;
  props.minMag = 1.0;
  return props;
}

// Runs the kernel of sample type T over the two buffers, with the working
// memory the stage keeps; the shapes were checked to match the mode.
template <typename T>
void TurnPixels(uint32_t mode, const DecodeBuffer& source, const PixelShape& from, DecodeBuffer& destination,
                const PixelShape& to, std::vector<unsigned char>& scratch) {
  ImageBufferInfo sourceInfo;
  ImageBufferInfo destinationInfo;
  KxvDescribeForTurn(source, sourceInfo);
  KxvDescribeForTurn(destination, destinationInfo);
  Transposer<T> transposer(mode);
  transposer.useScratch(&scratch);
  transposer.setSourceRaster(source.pBits, from.columns, from.rows, source.format.rowbytes, sourceInfo);
  transposer.setDestinationRaster(destination.pBits, to.columns, to.rows, destination.format.rowbytes, destinationInfo);
  transposer.transform();
}

}  // namespace

HRESULT KX_STDCALL KxvTransposerImp::Transpose(const DecodeBuffer* source, DecodeBuffer* destination, uint32_t angle) {
  return guarded([&]() -> HRESULT {
    // Two buffers with pixel memory, holding the same kind of samples.
    if (source == nullptr || destination == nullptr) return E_INVALIDARG;
    if (source->pBits == nullptr || destination->pBits == nullptr) return E_INVALIDARG;
    if (!KxvTurnKeepsSamples(source->format, destination->format)) return E_INVALIDARG;
    // Every sample of a pixel moves, or nothing does.
    if (!KxvEverySampleCanMove(source->format)) return E_INVALIDARG;
    const std::optional<PixelShape> from = KxvDecodeBufConfig::PixelExtentOf(*source);
    const std::optional<PixelShape> to = KxvDecodeBufConfig::PixelExtentOf(*destination);
    if (!from || !to) return E_INVALIDARG;
    if (uint64_t{from->columns} * from->rows != uint64_t{to->columns} * to->rows) return E_INVALIDARG;

    // The turn, and the shape it gives: a destination of any other shape would have rows overrun or left unwritten.
    const std::optional<uint32_t> mode = KxvTurnModeOf(angle);
    if (!mode) return E_FAIL;
    const bool swapped = KxvTurnSwapsAxes(angle);
    const PixelShape turned = swapped ? PixelShape{from->rows, from->columns} : *from;
    if (to->columns != turned.columns || to->rows != turned.rows) return E_INVALIDARG;

    // Each buffer's declared layout must place every sample inside its own rows.
    const RasterProps anyLayout = AnyLayoutSource();
    DecodeBuffer sourceRecord = *source;
    DecodeBuffer destinationRecord = *destination;
    if (FAILED(validate(&sourceRecord, sourceRecord.format, anyLayout)) ||
        FAILED(validate(&destinationRecord, destinationRecord.format, anyLayout))) {
      return E_INVALIDARG;
    }

    // The kernel of the sample type; its failures leave the destination
    // unwritten. Samples it cannot address are the caller's argument.
    try {
      KxvScratchShelf::Lease scratch(turnScratch_);
      switch (source->format.type) {
        case KX_TYPE_U8: TurnPixels<E>(*mode, *source, *from, *destination, *to, scratch.bytes()); return S_OK;
        case KX_TYPE_U16: TurnPixels<G>(*mode, *source, *from, *destination, *to, scratch.bytes()); return S_OK;
        default: return E_FAIL;
      }
    } catch (const KxUtilException& failure) {
      return failure.code() == KX_STATUS_BAD_ARGUMENT ? E_INVALIDARG : E_FAIL;
    } catch (...) {
      return E_FAIL;
    }
  });
}

}  // namespace Kelvane
