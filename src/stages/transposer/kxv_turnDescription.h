// How the transposer stage describes a host buffer to the turn kernels, so
// that every sample a pixel holds moves: a buffer whose colour space names
// exactly its samples is described by it, any other as a plain set of
// exactly its samples.
#ifndef KELVANE_STAGES_TRANSPOSER_KXV_TURN_DESCRIPTION_H
#define KELVANE_STAGES_TRANSPOSER_KXV_TURN_DESCRIPTION_H

#include "kelvane/kx_records.h"
#include "raster/imageBufferInfo.h"

namespace Kelvane {

// Whether every sample of the buffer's pixels can be moved: its colour
// space names them all, or they can be described as a set of its samples.
bool KxvEverySampleCanMove(const BufferFormat& format);

// Describes the buffer for a turn. Raises KxUtilException(KX_STATUS_BAD_ARGUMENT)
// for a pixel whose samples cannot all be described, or a sample that does
// not start on a whole sample.
void KxvDescribeForTurn(const DecodeBuffer& buffer, ImageBufferInfo& info);

}  // namespace Kelvane

#endif  // KELVANE_STAGES_TRANSPOSER_KXV_TURN_DESCRIPTION_H
