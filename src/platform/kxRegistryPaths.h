// Key paths of the file-backed registry, and the mapping from directory
// names back to key names. The store's root and the mapping from key names
// to directory names, shared with hosts, are in kelvane/kx_registry_store.h.
#ifndef KELVANE_PLATFORM_KX_REGISTRY_PATHS_H
#define KELVANE_PLATFORM_KX_REGISTRY_PATHS_H

#include <string>
#include <vector>

#include "kelvane/kx_registry_store.h"

namespace Kelvane {

// Splits a key path ("CLSID\{...}\InprocServer32") into its names. False
// when a name is empty or longer than a key name may be. A null or empty
// path gives no names.
bool KxSplitKeyPath(const char* path, std::vector<std::string>* names);

// Key name of a directory name; false for names the store did not make.
bool KxDecodeKeyName(const std::string& fileName, std::string* name);

}  // namespace Kelvane

#endif  // KELVANE_PLATFORM_KX_REGISTRY_PATHS_H
