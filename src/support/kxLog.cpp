#include "support/kxLog.h"

#include "kelvane/kx_status.h"
#include "platform/kxFileSystemCalls.h"
#include "support/kxFileSystem.h"
#include "support/kxIODynamicMemStream.h"
#include "support/kxStreamPrintf.h"

namespace Kelvane {

namespace {

// Log texts are assembled in a memory stream that starts at 4 KiB and doubles.
constexpr uint32_t kLogBufferSize = 4096;
constexpr float kLogBufferGrowth = 2.0f;
// The most of a platform error text that goes into a log line.
constexpr uint32_t kSystemTextSize = 2048;

bool openLogBuffer(KxIODynamicMemStream* stream) {
  return stream->initialize(kLogBufferSize, kLogBufferGrowth) == KX_STATUS_SUCCESS && stream->open() == 0;
}

// Terminates the text in the stream; null when it is empty or cannot be terminated.
const char* finishText(KxIODynamicMemStream* stream) {
  const char terminator = '\0';
  if (stream->size() == 0 || stream->write(&terminator, 1) != 1) return nullptr;
  return reinterpret_cast<const char*>(stream->data());
}

// The formatted text, owned by `stream`; null when it comes out empty.
const char* formatText(KxIODynamicMemStream* stream, const char* format, ...) __attribute__((format(printf, 2, 3)));
const char* formatText(KxIODynamicMemStream* stream, const char* format, ...) {
  if (!openLogBuffer(stream)) return nullptr;
  va_list args;
  va_start(args, format);
  const int length = streamPrintfV(stream, format, args);
  va_end(args);
  return length > 0 ? finishText(stream) : nullptr;
}

void writeAtLevel(IKxLogSink* sink, uint32_t level, const char* format, va_list args) {
  KxIODynamicMemStream stream;
  if (!openLogBuffer(&stream) || streamPrintfV(&stream, format, args) <= 0) return;
  const char* text = finishText(&stream);
  if (text != nullptr) sink->Write(level, text);
}

}  // namespace

void logAtLevelV(IKxLogSink* sink, uint32_t level, const char* format, va_list args) {
  if (sink == nullptr || format == nullptr || sink->GetLevel() < level) return;
  writeAtLevel(sink, level, format, args);
}

void logAtLevel(IKxLogSink* sink, uint32_t level, const char* format, ...) {
  va_list args;
  va_start(args, format);
  logAtLevelV(sink, level, format, args);
  va_end(args);
}

#define KX_DEFINE_LEVEL_ENTRY(name, level)               \
  void name(IKxLogSink* sink, const char* format, ...) { \
    va_list args;                                        \
    va_start(args, format);                              \
    logAtLevelV(sink, level, format, args);              \
    va_end(args);                                        \
  }

KX_DEFINE_LEVEL_ENTRY(logError, KX_LOG_ERROR)
KX_DEFINE_LEVEL_ENTRY(logFailure, KX_LOG_FAILURE)
KX_DEFINE_LEVEL_ENTRY(logSummary, KX_LOG_SUMMARY)
KX_DEFINE_LEVEL_ENTRY(logDetail, KX_LOG_DETAIL)

#undef KX_DEFINE_LEVEL_ENTRY

void logNullPointer(IKxLogSink* sink, const char* name, const char* source, int line) {
  logError(sink, "null pointer %s in file %s at line %d", name, source, line);
}

void logStatus(IKxLogSink* sink, uint32_t status, const char* expression, const char* source, int line) {
  if (sink == nullptr) return;
  if (status == KX_STATUS_SUCCESS && sink->GetLevel() < KX_LOG_TRACE) return;
  KxIODynamicMemStream stream;
  const char* trace = formatText(&stream, KX_TRACE_FORMAT, expression, source, line);
  if (trace == nullptr) return;
  if (status != KX_STATUS_SUCCESS) {
    logFailure(sink, "[%d] %s", static_cast<int>(status), trace);
  } else {
    sink->Write(KX_LOG_TRACE, trace);
  }
}

void logResult(IKxLogSink* sink, HRESULT result, const char* expression, const char* source, int line) {
  if (sink == nullptr) return;
  if (result >= 0 && sink->GetLevel() < KX_LOG_RESULTS) return;
  KxIODynamicMemStream stream;
  const char* trace = formatText(&stream, KX_TRACE_FORMAT, expression, source, line);
  if (trace == nullptr) return;
  if (result < 0) {
    logFailure(sink, "[%x] %s", static_cast<unsigned>(result), trace);
  } else {
    sink->Write(KX_LOG_TRACE, trace);
  }
}

void logSystemError(IKxLogSink* sink, const char* format, ...) {
  // The error number first, before anything here can change it.
  const int number = KxLastSystemError();
  if (sink == nullptr || format == nullptr) return;
  char systemText[kSystemTextSize];
  uint32_t systemTextSize = kSystemTextSize;
  getSystemErrorText(number, systemText, &systemTextSize);
  // "[number] " + the caller's text + " (system text)", only when the caller's text is not empty.
  KxIODynamicMemStream stream;
  if (!openLogBuffer(&stream) || streamPrintf(&stream, "[%d] ", number) <= 0) return;
  va_list args;
  va_start(args, format);
  const int callerLength = streamPrintfV(&stream, format, args);
  va_end(args);
  if (callerLength <= 0 || streamPrintf(&stream, " (%s)", systemText) <= 0) return;
  const char* text = finishText(&stream);
  if (text != nullptr) sink->Write(KX_LOG_FAILURE, text);
}

}  // namespace Kelvane
