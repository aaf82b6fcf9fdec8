// A registry store of one test's own: a fresh directory of the test's, set as
// KX_REGISTRY_ROOT while the test runs, so no test touches the user's registry.
#ifndef KELVANE_TESTS_PLATFORM_SCOPED_REGISTRY_ROOT_H
#define KELVANE_TESTS_PLATFORM_SCOPED_REGISTRY_ROOT_H

#include <stdlib.h>

#include <string>

#include "support/supportTestDir.h"

namespace Kelvane {

class ScopedRegistryRoot {
 public:
  ScopedRegistryRoot() { ::setenv("KX_REGISTRY_ROOT", directory_.path().c_str(), 1); }
  ~ScopedRegistryRoot() { ::unsetenv("KX_REGISTRY_ROOT"); }
  ScopedRegistryRoot(const ScopedRegistryRoot&) = delete;
  ScopedRegistryRoot& operator=(const ScopedRegistryRoot&) = delete;

  const std::string& path() const { return directory_.path(); }

 private:
  SupportTestDir directory_;  // removed with its contents when the test ends
};

}  // namespace Kelvane

#endif  // KELVANE_TESTS_PLATFORM_SCOPED_REGISTRY_ROOT_H
