// printf-style formatting onto any byte stream.
#ifndef KELVANE_SUPPORT_KX_STREAM_PRINTF_H
#define KELVANE_SUPPORT_KX_STREAM_PRINTF_H

#include <cstdarg>

#include "support/kxIOStreamInf.h"

namespace Kelvane {

// Formats the text (at most 32 MiB including its terminator) and writes it
// without terminator to the stream. Gives the text's length, or -1 when the
// text cannot be formatted or the stream takes fewer bytes.
int streamPrintf(KxIOStreamInf* stream, const char* format, ...) __attribute__((format(printf, 2, 3)));
int streamPrintfV(KxIOStreamInf* stream, const char* format, va_list args) __attribute__((format(printf, 2, 0)));

}  // namespace Kelvane

#endif  // KELVANE_SUPPORT_KX_STREAM_PRINTF_H
