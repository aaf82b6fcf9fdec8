// Full-barrier atomic operations on 32-bit words: the stand-ins for the
// platform's interlocked increment, decrement and compare-and-swap.
#ifndef KELVANE_PLATFORM_KX_INTERLOCKED_H
#define KELVANE_PLATFORM_KX_INTERLOCKED_H

#include <cstdint>

namespace Kelvane {

// Returns the new value.
inline int32_t KxInterlockedIncrement(int32_t* target) { return __atomic_add_fetch(target, 1, __ATOMIC_SEQ_CST); }

// Returns the new value.
inline int32_t KxInterlockedDecrement(int32_t* target) { return __atomic_sub_fetch(target, 1, __ATOMIC_SEQ_CST); }

// Stores `desired` when the target holds `expected`; returns whether it did.
inline bool KxInterlockedCompareExchange(int32_t* target, int32_t expected, int32_t desired) {
  return __atomic_compare_exchange_n(target, &expected, desired, false, __ATOMIC_SEQ_CST, __ATOMIC_SEQ_CST);
}

// Pointer-sized compare-and-swap, for values installed lazily once.
template <typename T>
inline bool KxInterlockedCompareExchangePointer(T** target, T* expected, T* desired) {
  return __atomic_compare_exchange_n(target, &expected, desired, false, __ATOMIC_SEQ_CST, __ATOMIC_SEQ_CST);
}

// Reads a pointer installed by KxInterlockedCompareExchangePointer.
template <typename T>
inline T* KxInterlockedReadPointer(T* const* target) {
  return __atomic_load_n(target, __ATOMIC_SEQ_CST);
}

// Reads a word with acquire ordering.
inline int32_t KxInterlockedRead(const int32_t* target) { return __atomic_load_n(target, __ATOMIC_SEQ_CST); }

}  // namespace Kelvane

#endif  // KELVANE_PLATFORM_KX_INTERLOCKED_H
