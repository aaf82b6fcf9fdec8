// The file that holds the values of one registry key, and its byte format.
//
// Format (all integers little-endian, 32-bit unsigned):
//   "KXRV" | version 1 | value count | count x (name length | name bytes |
//   type | data length | data bytes) | FNV-1a checksum of every byte before it
// The checksum covers the whole file, so every byte read is checked; a
// damaged file is reported, never half used.
#ifndef KELVANE_PLATFORM_KX_REGISTRY_VALUE_FILE_H
#define KELVANE_PLATFORM_KX_REGISTRY_VALUE_FILE_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace Kelvane {

struct KxRegValue {
  std::string name;  // empty for the key's default value
  uint32_t type = 0;
  std::vector<uint8_t> data;
};
typedef std::vector<KxRegValue> KxRegValueSet;

// Name of the values file inside a key's directory. Every file the store
// keeps in a key's directory begins with this name.
extern const char KX_REG_VALUE_FILE_NAME[];

// Longest value name and largest value the store accepts. The platform's
// registry has the same name limit; the data limit keeps a whole key's file
// small enough to be read and rewritten in memory on every write.
inline constexpr size_t KX_REG_MAX_VALUE_NAME = 16383;
inline constexpr size_t KX_REG_MAX_VALUE_BYTES = size_t{1} << 20;
inline constexpr size_t KX_REG_MAX_VALUE_FILE_BYTES = size_t{16} << 20;

// Whether a directory entry is one of the store's own files (the values file
// or a temporary file of a write in progress).
bool KxIsValueFileName(const std::string& fileName);

std::vector<uint8_t> KxEncodeValueSet(const KxRegValueSet& values);
// False when the bytes are not a complete, intact values file.
bool KxDecodeValueSet(const uint8_t* bytes, size_t size, KxRegValueSet* values);

// Reads the values of the key in `keyDirectory`; a missing file is an empty
// set. Returns a KxRegError.
int32_t KxReadValueFile(const std::string& keyDirectory, KxRegValueSet* values);

// Replaces the values file atomically: a temporary file is written and
// flushed, then renamed over the old one. Returns a KxRegError.
int32_t KxWriteValueFile(const std::string& keyDirectory, const KxRegValueSet& values);

// The store's error number for a failed file-system call.
int32_t KxRegErrorFromErrno(int error);

}  // namespace Kelvane

#endif  // KELVANE_PLATFORM_KX_REGISTRY_VALUE_FILE_H
