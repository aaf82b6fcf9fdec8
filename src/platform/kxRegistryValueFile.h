// Reading and replacing the file that holds the values of one registry key.
// Its byte format, shared with hosts, is in kelvane/kx_registry_store.h.
#ifndef KELVANE_PLATFORM_KX_REGISTRY_VALUE_FILE_H
#define KELVANE_PLATFORM_KX_REGISTRY_VALUE_FILE_H

#include <cstdint>
#include <string>

#include "kelvane/kx_registry_store.h"

namespace Kelvane {

// Whether a directory entry is one of the store's own files (the values file
// or a temporary file of a write in progress).
bool KxIsValueFileName(const std::string& fileName);

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
