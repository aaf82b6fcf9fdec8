// Log lines and call traces of the stages, written to the host's log sink.
// A stage reaches its sink with KxLogSinkOf(logger); every entry here does
// nothing when the sink is null, so callers never test for a logger first.
#ifndef KELVANE_SUPPORT_KX_LOG_H
#define KELVANE_SUPPORT_KX_LOG_H

#include <cstdarg>
#include <cstdint>

#include "kelvane/kx_interfaces.h"

namespace Kelvane {

// Levels of the host's log sink; a sink at level L records every message of
// level L or below (higher = more verbose).
enum KxLogLevel : uint32_t {
  KX_LOG_ERROR = 2,     // out of memory, null arguments
  KX_LOG_FAILURE = 3,   // a failed call
  KX_LOG_WARNING = 4,   // a request adapted or refused
  KX_LOG_SUMMARY = 6,   // one line per operation
  KX_LOG_DETAIL = 7,    // decisions inside an operation
  KX_LOG_RESULTS = 20,  // sink level from which successful component calls are traced
  KX_LOG_TRACE = 40,    // traces of successful checked calls
};

// The text of every call trace: expression, source name, line.
inline constexpr const char* KX_TRACE_FORMAT = "%s (file: %s line: %d)";

// Formats and writes a message at `level` when the sink's level is at least
// `level`. The levelled entries below are the ones the stages use.
void logAtLevel(IKxLogSink* sink, uint32_t level, const char* format, ...) __attribute__((format(printf, 3, 4)));
void logAtLevelV(IKxLogSink* sink, uint32_t level, const char* format, va_list args)
    __attribute__((format(printf, 3, 0)));

void logError(IKxLogSink* sink, const char* format, ...) __attribute__((format(printf, 2, 3)));    // level 2
void logFailure(IKxLogSink* sink, const char* format, ...) __attribute__((format(printf, 2, 3)));  // level 3
void logSummary(IKxLogSink* sink, const char* format, ...) __attribute__((format(printf, 2, 3)));  // level 6
void logDetail(IKxLogSink* sink, const char* format, ...) __attribute__((format(printf, 2, 3)));   // level 7

// "null pointer <name> in file <source> at line <line>" at level 2.
void logNullPointer(IKxLogSink* sink, const char* name, const char* source, int line);

// Trace of a call that returned a library status. A failure (non-zero) is
// logged at level 3 as "[<status>] <expression> (file: <source> line: <line>)";
// a success is written at level 40, and only when the sink is at level 40.
void logStatus(IKxLogSink* sink, uint32_t status, const char* expression, const char* source, int line);

// Trace of a call that returned a component status. A failure (negative) is
// logged at level 3 as "[<hex status>] <expression> (file: ...)"; a success
// is written at level 40 whenever the sink is at level 20 or more.
void logResult(IKxLogSink* sink, HRESULT result, const char* expression, const char* source, int line);

// A failed platform call: reads the platform's last error number before
// anything else, then writes "[<number>] <caller's text> (<system text>)" at
// level 3 regardless of the sink's level. Nothing is written when the
// caller's text comes out empty.
void logSystemError(IKxLogSink* sink, const char* format, ...) __attribute__((format(printf, 2, 3)));

}  // namespace Kelvane

#endif  // KELVANE_SUPPORT_KX_LOG_H
