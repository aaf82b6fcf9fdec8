#include "support/kxPathString.h"

#include <cstring>
#include <new>
#include <string>

#include "kelvane/kx_exception.h"
#include "kelvane/kx_status.h"
#include "platform/kxInterlocked.h"
#include "support/kxTextConversion.h"

namespace Kelvane {

namespace {

bool isSeparator(char c) { return c == '/' || c == '\\'; }

// A new copy of `length` bytes of `text`, terminated; null when memory runs out.
char* copyText(const char* text, size_t length) {
  char* copy = new (std::nothrow) char[length + 1];
  if (copy == nullptr) return nullptr;
  std::memcpy(copy, text, length);
  copy[length] = '\0';
  return copy;
}

// The owned UTF-8 text of a finished path; null for the empty text.
char* ownedPathText(const std::string& text) {
  if (text.empty()) return nullptr;
  char* copy = copyText(text.data(), text.size());
  if (copy == nullptr) throw KxUtilException(KX_STATUS_OUT_OF_MEMORY);
  return copy;
}

// A text handed in by a caller, as UTF-8. Gives false when an ANSI text has
// no UTF-8 form.
bool appendAsUtf8(std::string* out, const char* text, KxTextEncoding encoding) {
  if (text == nullptr) return true;
  if (encoding == KxTextEncoding::kUtf8) {
    out->append(text);
    return true;
  }
  KxTextError error = KxTextError::kNone;
  std::unique_ptr<char[]> converted = ansiToUtf8(text, &error);
  if (error == KxTextError::kNoMemory) throw KxUtilException(KX_STATUS_OUT_OF_MEMORY);
  if (converted == nullptr) return false;
  out->append(converted.get());
  return true;
}

// Builds a path from a base and components; the empty path when a
// component has no UTF-8 form.
char* joinedPath(const char* base, const char* const* components, size_t count, KxTextEncoding encoding) {
  try {
    std::string text = base != nullptr ? base : "";
    for (size_t i = 0; i < count; ++i) {
      while (!text.empty() && isSeparator(text.back())) text.pop_back();
      text.push_back(PathString::kSeparator);
      if (!appendAsUtf8(&text, components[i], encoding)) return nullptr;
    }
    return ownedPathText(text);
  } catch (const std::bad_alloc&) {
    throw KxUtilException(KX_STATUS_OUT_OF_MEMORY);
  }
}

// Gives the form in `*slot`, converting and installing it on first use. Of
// two threads that convert at once, the loser frees its copy and takes the
// winner's.
template <typename T, typename Convert>
const T* installedForm(T** slot, const char* utf8, Convert convert) {
  T* installed = KxInterlockedReadPointer(slot);
  if (installed != nullptr || utf8 == nullptr) return installed;
  std::unique_ptr<T[]> made = convert(utf8, nullptr);
  if (made == nullptr) return nullptr;
  if (KxInterlockedCompareExchangePointer(slot, static_cast<T*>(nullptr), made.get())) return made.release();
  return KxInterlockedReadPointer(slot);
}

}  // namespace

PathString::PathString(const char* text, KxTextEncoding encoding) {
  try {
    std::string converted;
    if (appendAsUtf8(&converted, text, encoding)) utf8_ = ownedPathText(converted);
  } catch (const std::bad_alloc&) {
    throw KxUtilException(KX_STATUS_OUT_OF_MEMORY);
  }
}

PathString::PathString(const PathString& base, const char* component, KxTextEncoding encoding)
    : utf8_(joinedPath(base.utf8_, &component, 1, encoding)) {}

PathString::PathString(const PathString& base, const char* first, const char* second, KxTextEncoding encoding) {
  const char* const components[] = {first, second};
  utf8_ = joinedPath(base.utf8_, components, 2, encoding);
}

PathString::PathString(const PathString& other) noexcept {
  if (other.utf8_ != nullptr) utf8_ = copyText(other.utf8_, std::strlen(other.utf8_));
}

PathString& PathString::operator=(const PathString& other) noexcept {
  if (this != &other) {
    clear();
    if (other.utf8_ != nullptr) utf8_ = copyText(other.utf8_, std::strlen(other.utf8_));
  }
  return *this;
}

PathString::PathString(PathString&& other) noexcept : utf8_(other.utf8_), ansi_(other.ansi_), utf16_(other.utf16_) {
  other.utf8_ = nullptr;
  other.ansi_ = nullptr;
  other.utf16_ = nullptr;
}

PathString& PathString::operator=(PathString&& other) noexcept {
  if (this != &other) {
    clear();
    utf8_ = other.utf8_;
    ansi_ = other.ansi_;
    utf16_ = other.utf16_;
    other.utf8_ = nullptr;
    other.ansi_ = nullptr;
    other.utf16_ = nullptr;
  }
  return *this;
}

PathString::~PathString() { clear(); }

void PathString::clear() {
  delete[] utf8_;
  delete[] ansi_;
  delete[] utf16_;
  utf8_ = nullptr;
  ansi_ = nullptr;
  utf16_ = nullptr;
}

const char* PathString::ansi() const { return installedForm(&ansi_, utf8_, &utf8ToAnsi); }

const char16_t* PathString::utf16() const { return installedForm(&utf16_, utf8_, &utf8ToUtf16); }

PathString PathString::parent() const {
  try {
    const std::string path = utf8_ != nullptr ? utf8_ : "";
    std::string text = path;
    // Trailing separators go, except one that directly follows a drive colon.
    while (!text.empty() && isSeparator(text.back()) && !(text.size() >= 2 && text[text.size() - 2] == ':')) {
      text.pop_back();
    }
    // The last component goes, back to (not including) its separator.
    const size_t lastSeparator = text.find_last_of("/\\");
    text.erase(lastSeparator == std::string::npos ? 0 : lastSeparator + 1);
    // That separator goes too, unless it is the root or follows a drive colon.
    if (text.size() > 1 && isSeparator(text.back()) && text[text.size() - 2] != ':') text.pop_back();
    // Nothing left: the root the path started from, or the current directory.
    if (text.empty()) text = (!path.empty() && isSeparator(path[0])) ? path.substr(0, 1) : ".";
    return PathString(Adopt{}, ownedPathText(text));
  } catch (const std::bad_alloc&) {
    throw KxUtilException(KX_STATUS_OUT_OF_MEMORY);
  }
}

bool PathString::isAbsolute() const {
  const char* text = utf8_ != nullptr ? utf8_ : "";
  // A leading '/' is the root of this platform's single file tree.
  if (text[0] == '/') return true;
  if (isSeparator(text[0]) && isSeparator(text[1])) return true;
  const char letter = static_cast<char>(text[0] | 0x20);
  return letter >= 'a' && letter <= 'z' && text[1] == ':' && isSeparator(text[2]);
}

}  // namespace Kelvane
