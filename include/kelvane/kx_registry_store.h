// The registry store on platforms without a system registry, as hosts and the
// module both read it: where it lives, how key names become directory names,
// the byte format of a key's values file, and the lookup a host makes to find
// the module that serves a class (the InprocServer32 default value).
//
// Each key is a directory under the store's root; the values of a key live
// together in one file inside it, KX_REG_VALUE_FILE_NAME:
//   "KXRV" | version 1 | value count | count x (name length | name bytes |
//   type | data length | data bytes) | FNV-1a checksum of every byte before it
// (all integers little-endian, 32-bit unsigned). The checksum covers the
// whole file, so every byte read is checked; a damaged file is refused whole.
// Header-only, so a host needs nothing but this header to look a class up.
#ifndef KELVANE_KX_REGISTRY_STORE_H
#define KELVANE_KX_REGISTRY_STORE_H

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "kelvane/kx_platform_types.h"

namespace Kelvane {

// Value types.
inline constexpr uint32_t KX_REG_SZ = 1;
inline constexpr uint32_t KX_REG_BINARY = 3;

// Name of the values file inside a key's directory. Every file the store
// keeps in a key's directory begins with this name.
inline constexpr char KX_REG_VALUE_FILE_NAME[] = ".values";

// Longest key name, value name and value, and largest values file. The
// platform's registry has the same name limits; the data limit keeps a whole
// key's file small enough to be read and rewritten in memory on every write.
inline constexpr uint32_t KX_REG_MAX_KEY_NAME = 255;
inline constexpr size_t KX_REG_MAX_VALUE_NAME = 16383;
inline constexpr size_t KX_REG_MAX_VALUE_BYTES = size_t{1} << 20;
inline constexpr size_t KX_REG_MAX_VALUE_FILE_BYTES = size_t{16} << 20;

struct KxRegValue {
  std::string name;  // empty for the key's default value
  uint32_t type = 0;
  std::vector<uint8_t> data;
};
typedef std::vector<KxRegValue> KxRegValueSet;

// Root directory of the store: $KX_REGISTRY_ROOT, else an absolute
// $XDG_DATA_HOME/kelvane/registry, else $HOME/.local/share/kelvane/registry;
// false when none is set. The environment is read on every call, so a
// process may move its store between operations.
inline bool KxRegistryRootDirectory(std::string* root) {
  auto nonEmpty = [](const char* name) -> const char* {
    const char* value = std::getenv(name);
    return (value != nullptr && value[0] != '\0') ? value : nullptr;
  };
  if (const char* explicitRoot = nonEmpty("KX_REGISTRY_ROOT")) {
    *root = explicitRoot;
    return true;
  }
  // A relative XDG_DATA_HOME is invalid and ignored, as the base directory rules ask.
  const char* dataHome = nonEmpty("XDG_DATA_HOME");
  if (dataHome != nullptr && dataHome[0] == '/') {
    *root = std::string(dataHome) + "/kelvane/registry";
    return true;
  }
  if (const char* home = nonEmpty("HOME")) {
    *root = std::string(home) + "/.local/share/kelvane/registry";
    return true;
  }
  return false;
}

// Directory name of a key name: '%', '/' and a leading '.' become %XX, so no
// key's directory begins with '.' (the store's own files do).
inline std::string KxEncodeKeyName(const std::string& name) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string encoded;
  encoded.reserve(name.size());
  for (size_t i = 0; i < name.size(); ++i) {
    const char c = name[i];
    if (c == '%' || c == '/' || (c == '.' && i == 0)) {
      const unsigned char byte = static_cast<unsigned char>(c);
      encoded.push_back('%');
      encoded.push_back(kHex[byte >> 4]);
      encoded.push_back(kHex[byte & 0xF]);
    } else {
      encoded.push_back(c);
    }
  }
  return encoded;
}

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", upper-case, as class keys are named.
inline std::string KxClassIdText(const GUID& id) {
  char text[64];
  const uint8_t* d = id.Data4;
  std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                static_cast<unsigned>(id.Data1), static_cast<unsigned>(id.Data2), static_cast<unsigned>(id.Data3), d[0],
                d[1], d[2], d[3], d[4], d[5], d[6], d[7]);
  return text;
}

namespace registry_store {

inline constexpr uint8_t kMagic[4] = {'K', 'X', 'R', 'V'};
inline constexpr uint32_t kVersion = 1;
// Magic, version, count and checksum: the bytes of a file without values.
inline constexpr size_t kEmptyFileBytes = 16;

inline uint32_t Fnv1a(const uint8_t* bytes, size_t size) {
  uint32_t hash = 2166136261u;
  for (size_t i = 0; i < size; ++i) {
    hash ^= bytes[i];
    hash *= 16777619u;
  }
  return hash;
}

inline void PutWord(std::vector<uint8_t>* out, uint32_t word) {
  for (int shift = 0; shift < 32; shift += 8) out->push_back(static_cast<uint8_t>(word >> shift));
}

inline void PutBytes(std::vector<uint8_t>* out, const void* bytes, size_t size) {
  const uint8_t* begin = static_cast<const uint8_t*>(bytes);
  out->insert(out->end(), begin, begin + size);
}

// Reads from a byte range; every read is checked against the range's end.
class ByteReader {
 public:
  ByteReader(const uint8_t* bytes, size_t size) : bytes_(bytes), size_(size) {}

  bool word(uint32_t* value) {
    if (size_ - position_ < 4) return false;
    *value = 0;
    for (int i = 3; i >= 0; --i) *value = (*value << 8) | bytes_[position_ + i];
    position_ += 4;
    return true;
  }

  bool bytes(size_t count, const uint8_t** start) {
    if (size_ - position_ < count) return false;
    *start = bytes_ + position_;
    position_ += count;
    return true;
  }

  bool atEnd() const { return position_ == size_; }

 private:
  const uint8_t* bytes_;
  size_t size_;
  size_t position_ = 0;
};

inline bool DecodeValue(ByteReader* reader, KxRegValue* value) {
  uint32_t nameLength = 0;
  const uint8_t* name = nullptr;
  uint32_t dataLength = 0;
  const uint8_t* data = nullptr;
  if (!reader->word(&nameLength) || nameLength > KX_REG_MAX_VALUE_NAME) return false;
  if (!reader->bytes(nameLength, &name) || std::memchr(name, 0, nameLength) != nullptr) return false;
  if (!reader->word(&value->type) || !reader->word(&dataLength) || dataLength > KX_REG_MAX_VALUE_BYTES) return false;
  if (!reader->bytes(dataLength, &data)) return false;
  value->name.assign(reinterpret_cast<const char*>(name), nameLength);
  value->data.assign(data, data + dataLength);
  return true;
}

// Value of ReadStoreFile for a file that is not a regular file, is larger
// than the store writes, or ends while being read.
inline constexpr int kNotAStoreFile = -1;

// Reads a whole regular file of at most the store's file limit: 0, the
// platform's error number (ENOENT for a missing file) or kNotAStoreFile.
inline int ReadStoreFile(const std::string& path, std::vector<uint8_t>* bytes) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return errno;
  struct stat status {};
  int result = 0;
  if (::fstat(fd, &status) != 0) {
    result = errno;
  } else if (!S_ISREG(status.st_mode) || status.st_size < 0 ||
             static_cast<uint64_t>(status.st_size) > KX_REG_MAX_VALUE_FILE_BYTES) {
    result = kNotAStoreFile;
  } else {
    bytes->resize(static_cast<size_t>(status.st_size));
    size_t done = 0;
    while (result == 0 && done < bytes->size()) {
      const ssize_t got = ::read(fd, bytes->data() + done, bytes->size() - done);
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0) result = kNotAStoreFile;
      if (got > 0) done += static_cast<size_t>(got);
    }
  }
  ::close(fd);
  return result;
}

}  // namespace registry_store

inline std::vector<uint8_t> KxEncodeValueSet(const KxRegValueSet& values) {
  using namespace registry_store;
  std::vector<uint8_t> out;
  PutBytes(&out, kMagic, sizeof kMagic);
  PutWord(&out, kVersion);
  PutWord(&out, static_cast<uint32_t>(values.size()));
  for (const KxRegValue& value : values) {
    PutWord(&out, static_cast<uint32_t>(value.name.size()));
    PutBytes(&out, value.name.data(), value.name.size());
    PutWord(&out, value.type);
    PutWord(&out, static_cast<uint32_t>(value.data.size()));
    PutBytes(&out, value.data.data(), value.data.size());
  }
  PutWord(&out, Fnv1a(out.data(), out.size()));
  return out;
}

// False when the bytes are not a complete, intact values file (a value name
// given twice included).
inline bool KxDecodeValueSet(const uint8_t* bytes, size_t size, KxRegValueSet* values) {
  using namespace registry_store;
  if (bytes == nullptr || size < kEmptyFileBytes) return false;
  // The checksum first: nothing of a damaged file is interpreted.
  ByteReader trailer(bytes + size - 4, 4);
  uint32_t checksum = 0;
  if (!trailer.word(&checksum) || checksum != Fnv1a(bytes, size - 4)) return false;
  if (std::memcmp(bytes, kMagic, sizeof kMagic) != 0) return false;
  ByteReader reader(bytes + sizeof kMagic, size - sizeof kMagic - 4);
  uint32_t version = 0;
  uint32_t count = 0;
  if (!reader.word(&version) || version != kVersion || !reader.word(&count)) return false;
  KxRegValueSet decoded;
  for (uint32_t i = 0; i < count; ++i) {
    KxRegValue value;
    if (!DecodeValue(&reader, &value)) return false;
    for (const KxRegValue& earlier : decoded) {
      if (earlier.name == value.name) return false;
    }
    decoded.push_back(std::move(value));
  }
  if (!reader.atEnd()) return false;
  values->swap(decoded);
  return true;
}

// The text value `valueName` ("" for the default value) of the key whose
// names, from the root down, are `keyNames`; its terminating zero dropped.
// False when the store, the key or the value is missing or damaged, or the
// value is not text.
inline bool KxReadRegistryText(const std::vector<std::string>& keyNames, const std::string& valueName,
                               std::string* text) {
  std::string path;
  if (!KxRegistryRootDirectory(&path)) return false;
  for (const std::string& name : keyNames) path += "/" + KxEncodeKeyName(name);
  std::vector<uint8_t> bytes;
  KxRegValueSet values;
  if (registry_store::ReadStoreFile(path + "/" + KX_REG_VALUE_FILE_NAME, &bytes) != 0 ||
      !KxDecodeValueSet(bytes.data(), bytes.size(), &values)) {
    return false;
  }
  for (const KxRegValue& value : values) {
    if (value.name != valueName || value.type != KX_REG_SZ) continue;
    const char* begin = reinterpret_cast<const char*>(value.data.data());
    text->assign(begin, strnlen(begin, value.data.size()));
    return true;
  }
  return false;
}

// The path of the module registered for `clsid` (its class key's
// InprocServer32 default value); false when the class is not registered.
inline bool KxRegisteredModulePath(const CLSID& clsid, std::string* path) {
  return KxReadRegistryText({"CLSID", KxClassIdText(clsid), "InprocServer32"}, "", path) && !path->empty();
}

}  // namespace Kelvane

#endif  // KELVANE_KX_REGISTRY_STORE_H
