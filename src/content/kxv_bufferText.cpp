#include "content/kxv_bufferText.h"

#include <cstdarg>
#include <cstdio>
#include <new>

#include "kelvane/kx_exception.h"
#include "kelvane/kx_status.h"

namespace Kelvane {

namespace {

// Formats into a string sized by a measuring pass, so no text is ever cut
// or written past its end, whatever the magnitude of the scene values.
std::string FormatText(const char* format, ...) __attribute__((format(printf, 1, 2)));

std::string FormatText(const char* format, ...) {
  va_list args;
  va_start(args, format);
  va_list measure;
  va_copy(measure, args);
  const int length = std::vsnprintf(nullptr, 0, format, measure);
  va_end(measure);
  std::string text;
  try {
    // A negative length is an encoding error: the text stays empty.
    if (length > 0) {
      text.resize(static_cast<size_t>(length));
      std::vsnprintf(&text[0], text.size() + 1, format, args);
    }
  } catch (const std::bad_alloc&) {
    va_end(args);
    throw KxUtilException(KX_STATUS_OUT_OF_MEMORY);
  }
  va_end(args);
  return text;
}

// The layout words print as signed decimals, as the log has always shown them.
int AsDecimal(uint32_t word) { return static_cast<int>(word); }

}  // namespace

std::string KxvBufferText(const DecodeBuffer& buffer) {
  const Scene& scene = buffer.scene;
  const BufferFormat& format = buffer.format;
  return FormatText(
      "ul:%f,%f wh:%f,%f mag:%f spp:%d stride:%d type:%d order:%d align:%d rowbytes:%d smap:%d,%d,%d bps:%d", scene.ulx,
      scene.uly, scene.width, scene.height, scene.mag, AsDecimal(format.spp), AsDecimal(format.stride),
      AsDecimal(format.type), AsDecimal(format.order), AsDecimal(format.align), AsDecimal(format.rowbytes),
      format.smap[0], format.smap[1], format.smap[2], AsDecimal(format.bps));
}

std::string KxvBufferLine(const char* label, const DecodeBuffer& buffer) {
  const std::string text = KxvBufferText(buffer);
  return FormatText("%s %s", label != nullptr ? label : "", text.c_str());
}

}  // namespace Kelvane
