// Where the file-backed registry keeps its keys: the store's root directory
// and the mapping between key names and directory names.
#ifndef KELVANE_PLATFORM_KX_REGISTRY_PATHS_H
#define KELVANE_PLATFORM_KX_REGISTRY_PATHS_H

#include <string>
#include <vector>

namespace Kelvane {

// Root directory of the store from the environment; false when neither
// KX_REGISTRY_ROOT, an absolute XDG_DATA_HOME nor HOME is set.
bool KxRegistryRootDirectory(std::string* root);

// Splits a key path ("CLSID\{...}\InprocServer32") into its names. False
// when a name is empty or longer than a key name may be. A null or empty
// path gives no names.
bool KxSplitKeyPath(const char* path, std::vector<std::string>* names);

// Directory name of a key name. Names never map to a directory name that
// begins with '.', which keeps the store's own files apart from keys.
std::string KxEncodeKeyName(const std::string& name);

// Key name of a directory name; false for names the store did not make.
bool KxDecodeKeyName(const std::string& fileName, std::string* name);

}  // namespace Kelvane

#endif  // KELVANE_PLATFORM_KX_REGISTRY_PATHS_H
