// Conversions between the text encodings a path is kept in: UTF-8 (the
// canonical form), UTF-16 and the system's narrow code page ("ANSI", which is
// UTF-8 on this platform). Conversions are strict: an unpaired surrogate, an
// overlong or truncated sequence or a value past U+10FFFF ends the conversion
// without a result, since a cut-off path would name a different file.
#ifndef KELVANE_SUPPORT_KX_TEXT_CONVERSION_H
#define KELVANE_SUPPORT_KX_TEXT_CONVERSION_H

#include <memory>

namespace Kelvane {

// Why a conversion gave no text.
enum class KxTextError {
  kNone,
  kIllFormed,  // no input, or an illegal sequence in it
  kNoMemory,
};

// Each gives a new zero-terminated text owned by the caller, or null (with
// the reason in `error` when given).
std::unique_ptr<char16_t[]> utf8ToUtf16(const char* text, KxTextError* error = nullptr);
std::unique_ptr<char[]> utf16ToUtf8(const char16_t* text, KxTextError* error = nullptr);
std::unique_ptr<char[]> ansiToUtf8(const char* text, KxTextError* error = nullptr);
std::unique_ptr<char[]> utf8ToAnsi(const char* text, KxTextError* error = nullptr);

}  // namespace Kelvane

#endif  // KELVANE_SUPPORT_KX_TEXT_CONVERSION_H
