// KxvContentBase::validate: the check a stage runs on a caller's buffer
// before it decodes into it. Besides the differences the source does not
// handle, it refuses caller memory whose declared layout would make a
// decode write one sample over another or outside the declared bytes
// (KxvDecodeBufConfig::SamplesFitLayout).
#include <string>

#include "content/kxv_bufferText.h"
#include "content/kxv_contentBase.h"
#include "content/kxv_decodeBufConfig.h"
#include "support/kxLog.h"

namespace Kelvane {

namespace {

// Writes why validation failed and the buffer as it now stands. Logging is
// best effort: a line that cannot be built never changes the status.
void LogValidationFailure(IKxLogSink* sink, uint32_t reasons, const DecodeBuffer& buffer) {
  if (sink == nullptr) return;
  try {
    logDetail(sink, "KxvContentBase::validate failed, reason=%d", static_cast<int>(reasons));
    if (sink->GetLevel() >= KX_LOG_DETAIL) logDetail(sink, "%s", KxvBufferLine("buf is", buffer).c_str());
  } catch (...) {
    // The failure status stands without its log lines.
  }
}

}  // namespace

HRESULT KxvContentBase::validate(DecodeBuffer* buffer, const BufferFormat& format, const RasterProps& props) {
  return guarded([&]() -> HRESULT {
    if (buffer == nullptr) return E_INVALIDARG;
    IKxLogSink* sink = logSink();
    // Differences the source does not handle; a buffer without memory is rewritten towards what it delivers.
    uint32_t reasons = KxvDecodeBufConfig::CheckBuffer(*buffer, format, props, sink);
    if (buffer->pBits != nullptr && !KxvDecodeBufConfig::SamplesFitLayout(*buffer)) reasons |= KXV_REASON_UNUSABLE;
    if (reasons != 0) {
      LogValidationFailure(sink, reasons, *buffer);
      return KX_E_INVALID_BUFFER;
    }
    if (buffer->pBits == nullptr) return KX_E_NO_PIXEL_MEMORY;
    // A scene without extent leaves nothing to decode.
    if (!(buffer->scene.width > 0.0) || !(buffer->scene.height > 0.0)) return E_FAIL;
    return S_OK;
  });
}

}  // namespace Kelvane
