// The registry store's values files as a damaged or hostile disk leaves
// them: decoding never reads outside the bytes, a file is taken whole or not
// at all, and what it gives encodes back to the same bytes. The bytes are
// tried as they come and with their checksum made right, so that the fuzzer
// reaches past the checksum into the records.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "platform/kxRegistryValueFile.h"

namespace {

// FNV-1a over the bytes, as the store's checksum.
uint32_t Checksum(const std::vector<uint8_t>& bytes) {
  uint32_t hash = 2166136261u;
  for (uint8_t byte : bytes) {
    hash ^= byte;
    hash *= 16777619u;
  }
  return hash;
}

void DecodeAndCompare(const std::vector<uint8_t>& bytes) {
  Kelvane::KxRegValueSet values;
  if (!Kelvane::KxDecodeValueSet(bytes.data(), bytes.size(), &values)) return;
  if (Kelvane::KxEncodeValueSet(values) != bytes) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<uint8_t> bytes(data, data + size);
  DecodeAndCompare(bytes);
  const uint32_t checksum = Checksum(bytes);
  for (int shift = 0; shift < 32; shift += 8) bytes.push_back(static_cast<uint8_t>(checksum >> shift));
  DecodeAndCompare(bytes);
  return 0;
}
