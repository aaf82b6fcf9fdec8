// The text form in which a DecodeBuffer is written to the log: its scene,
// its layout and the offsets of its first three samples.
#ifndef KELVANE_CONTENT_KXV_BUFFER_TEXT_H
#define KELVANE_CONTENT_KXV_BUFFER_TEXT_H

#include <string>

#include "kelvane/kx_records.h"

namespace Kelvane {

// "ul:%f,%f wh:%f,%f mag:%f spp:%d stride:%d type:%d order:%d align:%d
// rowbytes:%d smap:%d,%d,%d bps:%d" of the buffer (one line, single spaces).
// Layout words are shown as signed decimals. Raises KxUtilException(KX_STATUS_OUT_OF_MEMORY) when
// the text cannot be allocated.
std::string KxvBufferText(const DecodeBuffer& buffer);

// The log line "<label> <text form>"; a null label counts as empty, leaving
// the line to start with the separating space.
std::string KxvBufferLine(const char* label, const DecodeBuffer& buffer);

}  // namespace Kelvane

#endif  // KELVANE_CONTENT_KXV_BUFFER_TEXT_H
