// A file-system path held as UTF-8 (the canonical form), with its narrow
// ("ANSI") and UTF-16 forms computed on first request and kept.
#ifndef KELVANE_SUPPORT_KX_PATH_STRING_H
#define KELVANE_SUPPORT_KX_PATH_STRING_H

namespace Kelvane {

// How a text handed to a PathString is encoded.
enum class KxTextEncoding {
  kUtf8,  // taken as it is
  kAnsi,  // the system's narrow code page, converted to UTF-8
};

class PathString {
 public:
  // The separator that joining inserts.
  static constexpr char kSeparator = '/';

  PathString() = default;
  // Texts and components converted from ANSI that have no UTF-8 form give the
  // empty path. These, joining and parent() raise KxUtilException 8 when
  // memory runs out.
  explicit PathString(const char* text, KxTextEncoding encoding = KxTextEncoding::kUtf8);
  // Joins: for each component, every trailing '/' and '\' of the text so far
  // is stripped and one separator inserted before it. Joining an empty
  // component therefore ends the path in exactly one separator.
  PathString(const PathString& base, const char* component, KxTextEncoding encoding = KxTextEncoding::kUtf8);
  PathString(const PathString& base, const char* first, const char* second,
             KxTextEncoding encoding = KxTextEncoding::kUtf8);

  // A copy that cannot allocate is the empty path.
  PathString(const PathString& other) noexcept;
  PathString& operator=(const PathString& other) noexcept;
  PathString(PathString&& other) noexcept;
  PathString& operator=(PathString&& other) noexcept;
  ~PathString();

  bool empty() const { return utf8_ == nullptr; }
  // Null for the empty path.
  const char* utf8() const { return utf8_; }
  // Null for the empty path, for a text that is not well-formed UTF-8, or
  // when memory runs out. Safe to request from several threads at once.
  const char* ansi() const;
  const char16_t* utf16() const;

  // The directory that holds this path: "/a" for "/a/b.raw", "/" for "/a",
  // "." for "a.raw".
  PathString parent() const;
  // True for "/x", "//x" or "\\x", and for a drive letter, a colon and a separator.
  bool isAbsolute() const;

 private:
  struct Adopt {};
  PathString(Adopt, char* ownedUtf8) : utf8_(ownedUtf8) {}
  void clear();

  char* utf8_ = nullptr;               // owned; null when empty
  mutable char* ansi_ = nullptr;       // owned; installed once by compare-and-swap
  mutable char16_t* utf16_ = nullptr;  // owned; installed once by compare-and-swap
};

}  // namespace Kelvane

#endif  // KELVANE_SUPPORT_KX_PATH_STRING_H
