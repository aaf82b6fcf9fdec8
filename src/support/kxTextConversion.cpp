#include "support/kxTextConversion.h"

#include <cstring>
#include <new>

namespace Kelvane {

namespace {

constexpr char32_t kHighSurrogateFirst = 0xD800;
constexpr char32_t kLowSurrogateFirst = 0xDC00;
constexpr char32_t kSurrogateLast = 0xDFFF;

template <typename T>
std::unique_ptr<T[]> fail(KxTextError* error, KxTextError reason) {
  if (error != nullptr) *error = reason;
  return nullptr;
}

// Decodes one well-formed UTF-8 sequence at `p` and advances past it.
// Continuation bytes must lie in 0x80..0xBF, except right after the lead
// bytes that would otherwise allow overlong forms (E0, F0), surrogates (ED)
// or values past U+10FFFF (F4).
bool decodeUtf8(const unsigned char*& p, char32_t* codePoint) {
  const unsigned char lead = *p;
  if (lead < 0x80) {
    *codePoint = lead;
    ++p;
    return true;
  }
  int trailing = 0;
  unsigned char low = 0x80;
  unsigned char high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    trailing = 1;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    trailing = 2;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    trailing = 3;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return false;
  }
  char32_t value = lead & (0x3F >> trailing);
  for (int i = 1; i <= trailing; ++i) {
    const unsigned char next = p[i];
    const unsigned char least = i == 1 ? low : 0x80;
    const unsigned char most = i == 1 ? high : 0xBF;
    if (next < least || next > most) return false;
    value = (value << 6) | (next & 0x3F);
  }
  p += trailing + 1;
  *codePoint = value;
  return true;
}

// Decodes one code point of UTF-16 at `p`, pairing surrogates, and advances past it.
bool decodeUtf16(const char16_t*& p, char32_t* codePoint) {
  const char32_t first = *p;
  if (first < kHighSurrogateFirst || first > kSurrogateLast) {
    *codePoint = first;
    ++p;
    return true;
  }
  if (first >= kLowSurrogateFirst) return false;
  const char32_t second = p[1];
  if (second < kLowSurrogateFirst || second > kSurrogateLast) return false;
  *codePoint = 0x10000 + ((first - kHighSurrogateFirst) << 10) + (second - kLowSurrogateFirst);
  p += 2;
  return true;
}

char* encodeUtf8(char32_t codePoint, char* out) {
  if (codePoint < 0x80) {
    *out++ = static_cast<char>(codePoint);
  } else if (codePoint < 0x800) {
    *out++ = static_cast<char>(0xC0 | (codePoint >> 6));
    *out++ = static_cast<char>(0x80 | (codePoint & 0x3F));
  } else if (codePoint < 0x10000) {
    *out++ = static_cast<char>(0xE0 | (codePoint >> 12));
    *out++ = static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
    *out++ = static_cast<char>(0x80 | (codePoint & 0x3F));
  } else {
    *out++ = static_cast<char>(0xF0 | (codePoint >> 18));
    *out++ = static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
    *out++ = static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
    *out++ = static_cast<char>(0x80 | (codePoint & 0x3F));
  }
  return out;
}

char16_t* encodeUtf16(char32_t codePoint, char16_t* out) {
  if (codePoint < 0x10000) {
    *out++ = static_cast<char16_t>(codePoint);
  } else {
    const char32_t offset = codePoint - 0x10000;
    *out++ = static_cast<char16_t>(kHighSurrogateFirst + (offset >> 10));
    *out++ = static_cast<char16_t>(kLowSurrogateFirst + (offset & 0x3FF));
  }
  return out;
}

// Decodes the zero-terminated input code point by code point into a new
// buffer of `capacity` units; the first illegal sequence ends it without a text.
template <typename Out, typename In, typename Decode, typename Encode>
std::unique_ptr<Out[]> transcode(const In* text, size_t capacity, Decode decode, Encode encode, KxTextError* error) {
  std::unique_ptr<Out[]> result(new (std::nothrow) Out[capacity]);
  if (result == nullptr) return fail<Out>(error, KxTextError::kNoMemory);
  const In* in = text;
  Out* out = result.get();
  while (*in != 0) {
    char32_t codePoint = 0;
    if (!decode(in, &codePoint)) return fail<Out>(error, KxTextError::kIllFormed);
    out = encode(codePoint, out);
  }
  *out = 0;
  if (error != nullptr) *error = KxTextError::kNone;
  return result;
}

// The platform's narrow code page is UTF-8, so converting between it and
// UTF-8 widens to UTF-16 and narrows back: the text comes out unchanged when
// it is well-formed and not at all when it is not.
std::unique_ptr<char[]> throughUtf16(const char* text, KxTextError* error) {
  std::unique_ptr<char16_t[]> wide = utf8ToUtf16(text, error);
  if (wide == nullptr) return nullptr;
  return utf16ToUtf8(wide.get(), error);
}

}  // namespace

std::unique_ptr<char16_t[]> utf8ToUtf16(const char* text, KxTextError* error) {
  if (text == nullptr) return fail<char16_t>(error, KxTextError::kIllFormed);
  // One UTF-16 unit per UTF-8 byte at most, plus the terminator.
  return transcode<char16_t>(reinterpret_cast<const unsigned char*>(text), std::strlen(text) + 1, &decodeUtf8,
                             &encodeUtf16, error);
}

std::unique_ptr<char[]> utf16ToUtf8(const char16_t* text, KxTextError* error) {
  if (text == nullptr) return fail<char>(error, KxTextError::kIllFormed);
  // Three UTF-8 bytes per UTF-16 unit at most (a pair gives four), plus the terminator.
  size_t length = 0;
  while (text[length] != 0) ++length;
  return transcode<char>(text, 3 * length + 1, &decodeUtf16, &encodeUtf8, error);
}

std::unique_ptr<char[]> ansiToUtf8(const char* text, KxTextError* error) { return throughUtf16(text, error); }

std::unique_ptr<char[]> utf8ToAnsi(const char* text, KxTextError* error) { return throughUtf16(text, error); }

}  // namespace Kelvane
