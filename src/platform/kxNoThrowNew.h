// Non-throwing allocation of objects: null when memory runs out, so callers
// turn it into a status instead of an exception.
#ifndef KELVANE_PLATFORM_KX_NOTHROW_NEW_H
#define KELVANE_PLATFORM_KX_NOTHROW_NEW_H

#include <new>
#include <utility>

namespace Kelvane {

// Constructs a T with the arguments, or gives null when allocation fails. A
// constructor that throws frees the memory and lets the exception pass.
template <typename T, typename... Args>
T* KxNewNoThrow(Args&&... args) {
  return new (std::nothrow) T(std::forward<Args>(args)...);
}

}  // namespace Kelvane

#endif  // KELVANE_PLATFORM_KX_NOTHROW_NEW_H
