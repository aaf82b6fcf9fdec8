// Plumbing shared by the fake host objects (their reference counts come
// from the public header's KxHostObject, as any host's would).
#ifndef KELVANE_FAKES_FAKE_COM_SUPPORT_H
#define KELVANE_FAKES_FAKE_COM_SUPPORT_H

#include <mutex>
#include <utility>

#include "kelvane/kx_lib_sp_xform.h"

namespace Kelvane::Fakes {

// A copy of `record` taken while holding `guard`.
template <typename Record>
Record LockedCopy(std::mutex& guard, const Record& record) {
  std::lock_guard<std::mutex> hold(guard);
  return record;
}

// Replaces a record guarded by `guard`.
template <typename Record>
void SetLocked(std::mutex& guard, Record& record, Record value) {
  std::lock_guard<std::mutex> hold(guard);
  record = std::move(value);
}

}  // namespace Kelvane::Fakes

#endif  // KELVANE_FAKES_FAKE_COM_SUPPORT_H
