#include "support/kxStreamPrintf.h"

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace Kelvane {

namespace {

// The text buffer starts at 1 KiB and doubles until the text fits with a
// byte to spare; 32 MiB bounds what one log line may cost.
constexpr size_t kFirstBufferSize = 1024;
constexpr size_t kLargestBufferSize = 0x2000000;

struct FreeDeleter {
  void operator()(char* text) const { std::free(text); }
};

}  // namespace

int streamPrintfV(KxIOStreamInf* stream, const char* format, va_list args) {
  if (stream == nullptr || format == nullptr) return -1;
  std::unique_ptr<char, FreeDeleter> text;
  int length = -1;
  // Format into ever larger buffers until the text fits.
  for (size_t size = kFirstBufferSize; size <= kLargestBufferSize; size *= 2) {
    text.reset(static_cast<char*>(std::malloc(size)));
    if (text == nullptr) return -1;
    va_list attempt;
    va_copy(attempt, args);
    length = std::vsnprintf(text.get(), size, format, attempt);
    va_end(attempt);
    // A negative length is a formatting error that no larger buffer mends.
    if (length < 0) return -1;
    if (static_cast<size_t>(length) + 1 < size) break;
    length = -1;
  }
  if (length < 0) return -1;
  // The text goes out without its terminator; a stream that takes less fails the call.
  if (length > 0 && stream->write(text.get(), static_cast<uint32_t>(length)) != static_cast<uint32_t>(length)) {
    return -1;
  }
  return length;
}

int streamPrintf(KxIOStreamInf* stream, const char* format, ...) {
  va_list args;
  va_start(args, format);
  const int length = streamPrintfV(stream, format, args);
  va_end(args);
  return length;
}

}  // namespace Kelvane
